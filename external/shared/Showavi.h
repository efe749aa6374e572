#pragma once

#include <QString>

class TForm;

// The wait animation shown over the main window while the module waits for the
// application server. Kinds: 0 connecting, 1 computation and order number, 6 loading.
namespace Showavi {

void ActiveShowAvi(TForm* form, int kind);
void DeactiveShowAvi();
// Progress reported by the server during a long call; shown while the animation is on.
void ShowProgress(qint64 done, qint64 total, const QString& text);
bool isActive();

} // namespace Showavi
