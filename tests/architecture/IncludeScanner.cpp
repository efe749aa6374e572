#include "IncludeScanner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

QList<IncludeScanner::Include> IncludeScanner::scan(const QString& root, const QString& folder) {
    static const QRegularExpression include(
        QString::fromLatin1(R"re(^\s*#\s*include\s*"([^"]+)")re"));
    QList<Include> result;
    const QDir dir(QDir(root).filePath(folder));
    const QStringList files =
        dir.entryList({QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = include.match(lines[i]);
            if (!match.hasMatch())
                continue;
            Include found;
            found.file = folder + QLatin1Char('/') + name;
            found.line = i + 1;
            found.target = match.captured(1);
            const qsizetype slash = found.target.lastIndexOf(QLatin1Char('/'));
            found.folder = slash < 0 ? folder : found.target.left(slash);
            result << found;
        }
    }
    return result;
}
