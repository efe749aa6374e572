#pragma once

#include <QChar>
#include <QString>

class TMessages;
class TNetConnection;

// Small steps both computation screens take the same way.
namespace ScreenSteps {

// The company entries take every key in upper case.
void upperCaseKey(QChar& key);
// A connection's host and port come from the shared library each time it connects.
void pointAtServer(TNetConnection& connection);
// The server's progress reports during a call reach the wait animation.
void followProgress(TNetConnection& connection);
// Connects while the connecting animation shows.
void connectUnderWait(TNetConnection& connection);
// Asks the question of `key` with Yes and No; true for Yes.
bool askYesNo(const TMessages& messages, const QString& key);

} // namespace ScreenSteps
