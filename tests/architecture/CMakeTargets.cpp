#include "CMakeTargets.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString stripComment(const QString& line) {
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    return hash < 0 ? line : line.left(hash);
}

} // namespace

CMakeTargets CMakeTargets::read(const QString& root, const QStringList& folders) {
    static const QRegularExpression definition(QString::fromLatin1(
        R"(\b(?:zel_library|add_library|add_executable)\s*\(\s*([A-Za-z0-9_-]+))"));
    CMakeTargets targets;
    for (const QString& folder : folders) {
        QFile file(QDir(root).filePath(folder + QStringLiteral("/CMakeLists.txt")));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (QString& line : lines) {
            line = stripComment(line);
            for (const QRegularExpressionMatch& m : definition.globalMatch(line))
                targets.m_owner.insert(m.captured(1), folder);
        }
        targets.m_text.insert(folder, lines);
    }
    return targets;
}

QList<CMakeTargets::Use> CMakeTargets::foreignUses() const {
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9_-]+"));
    QList<Use> result;
    QStringList folders = m_text.keys();
    folders.sort();
    for (const QString& folder : folders) {
        const QStringList& lines = m_text[folder];
        for (int i = 0; i < lines.size(); ++i) {
            for (const QRegularExpressionMatch& m : word.globalMatch(lines[i])) {
                const QString owner = m_owner.value(m.captured(0));
                if (owner.isEmpty() || owner == folder)
                    continue;
                result << Use{folder + QStringLiteral("/CMakeLists.txt"), i + 1, m.captured(0),
                              owner};
            }
        }
    }
    return result;
}
