#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One command of a script: its line number, the command word and its arguments.
struct ScriptLine {
    int number = 0;
    QString command;
    QStringList args;
    QString source; // the line as written, without its comment
};

// A script of the headless host, split into commands. One command per line; words are
// separated by blanks; "..." quotes a word that holds blanks (\" and \\ inside); "#" outside
// quotes starts a comment; blank lines are skipped. A syntax error raises ScriptFailure
// naming the line.
class Script {
public:
    static Script parse(const QString& text);
    // Reads a UTF-8 file; raises ScriptFailure (line 0) when it cannot be read.
    static Script load(const QString& path);

    const std::vector<ScriptLine>& lines() const { return m_lines; }

private:
    static ScriptLine parseLine(const QString& text, int number);

    std::vector<ScriptLine> m_lines;
};
