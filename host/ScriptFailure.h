#pragma once

#include <QString>

// Stops a script: the line at fault (0 when none) and why. Deliberately not a
// std::exception, so that no handler of the screens or of the platform's user-action
// dispatch can take it for an error of the program and swallow or show it.
class ScriptFailure {
public:
    ScriptFailure(int line, const QString& reason);

    int line() const { return m_line; }
    const QString& reason() const { return m_reason; }
    // "linha N: reason"
    QString message() const;

private:
    int m_line;
    QString m_reason;
};
