#include "LayerRules.h"

#include <QRegularExpression>

namespace {

QStringList cells(const QString& line) {
    QString row = line.trimmed();
    row.remove(0, 1);
    if (row.endsWith(QLatin1Char('|')))
        row.chop(1);
    QStringList result = row.split(QLatin1Char('|'));
    for (QString& cell : result)
        cell = cell.trimmed();
    return result;
}

bool isSeparator(const QStringList& row) {
    static const QRegularExpression dashes(QStringLiteral("^:?-+:?$"));
    for (const QString& cell : row) {
        if (!dashes.match(cell).hasMatch())
            return false;
    }
    return true;
}

bool matches(const QString& entry, const QString& folder) {
    if (entry == QLatin1String("*"))
        return true;
    if (entry.endsWith(QLatin1String("/*")))
        return folder.startsWith(entry.chopped(1));
    return entry == folder;
}

} // namespace

LayerRules LayerRules::fromMarkdown(const QString& text, QStringList& errors) {
    LayerRules rules;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int header = -1;
    for (int i = 0; i < lines.size() && header < 0; ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QLatin1Char('|')) &&
            cells(line) == QStringList{QStringLiteral("Folder"), QStringLiteral("May include")})
            header = i;
    }
    if (header < 0) {
        errors << QStringLiteral("nenhuma tabela \"| Folder | May include |\"");
        return rules;
    }
    for (int i = header + 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (!line.startsWith(QLatin1Char('|')))
            break;
        const QStringList row = cells(line);
        if (isSeparator(row))
            continue;
        if (row.size() != 2 || row[0].isEmpty()) {
            errors << QStringLiteral("linha %1: esperadas duas colunas: %2").arg(i + 1).arg(line);
            continue;
        }
        const QString& folder = row[0];
        if (rules.m_allowed.contains(folder)) {
            errors << QStringLiteral("linha %1: %2 aparece duas vezes").arg(i + 1).arg(folder);
            continue;
        }
        QStringList allowed;
        for (const QString& entry : row[1].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!entry.trimmed().isEmpty())
                allowed << entry.trimmed();
        }
        rules.m_folders << folder;
        rules.m_allowed.insert(folder, allowed);
    }
    // Checked once every row is known, so that a row may name one further down.
    for (const QString& folder : rules.m_folders) {
        for (const QString& entry : rules.m_allowed.value(folder)) {
            if (entry == QLatin1String("*") || entry.endsWith(QLatin1String("/*")) ||
                rules.m_allowed.contains(entry))
                continue;
            errors
                << QStringLiteral("%1 permite %2, que não tem linha na tabela").arg(folder, entry);
        }
    }
    return rules;
}

bool LayerRules::allows(const QString& from, const QString& to) const {
    if (from == to)
        return true;
    const auto it = m_allowed.constFind(from);
    if (it == m_allowed.constEnd())
        return false;
    for (const QString& entry : *it) {
        if (matches(entry, to))
            return true;
    }
    return false;
}
