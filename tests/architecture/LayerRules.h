#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The "| Folder | May include |" table of docs/architecture.md: which folder of the
// repository may include (and link) which. A folder may always include itself; an entry `*`
// allows every folder and `x/*` every folder under x.
class LayerRules {
public:
    // Reads the first such table of a markdown text. Problems with the table itself (none
    // found, a folder twice, an entry naming no row) are added to `errors`.
    static LayerRules fromMarkdown(const QString& text, QStringList& errors);

    // The folders with a row, in table order.
    const QStringList& folders() const { return m_folders; }
    bool knows(const QString& folder) const { return m_allowed.contains(folder); }
    bool allows(const QString& from, const QString& to) const;
    // The entries of a folder's row, as written.
    QStringList row(const QString& folder) const { return m_allowed.value(folder); }

private:
    QStringList m_folders;
    QHash<QString, QStringList> m_allowed;
};
