#include "host/Script.h"

#include "host/ScriptFailure.h"

#include <QFile>

Script Script::parse(const QString& text) {
    Script script;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        ScriptLine line = parseLine(lines.at(i), i + 1);
        if (!line.command.isEmpty())
            script.m_lines.push_back(std::move(line));
    }
    return script;
}

Script Script::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ScriptFailure(
            0,
            QStringLiteral("não foi possível ler o roteiro %1: %2").arg(path, file.errorString()));
    return parse(QString::fromUtf8(file.readAll()));
}

ScriptLine Script::parseLine(const QString& text, int number) {
    ScriptLine line;
    line.number = number;
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    int end = int(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < text.size() &&
                (text.at(i + 1) == QLatin1Char('"') || text.at(i + 1) == QLatin1Char('\\'))) {
                word += text.at(++i);
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('#')) {
            end = i;
            break;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        throw ScriptFailure(number, QStringLiteral("aspas sem fechamento"));
    if (inWord)
        words << word;
    line.source = text.left(end).trimmed();
    if (!words.isEmpty()) {
        line.command = words.takeFirst().toLower();
        line.args = words;
    }
    return line;
}
