#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The shipped help pages as the tests read them: the ids of each page (entities decoded) and
// the links it makes.
class HelpPages {
public:
    // The directory the programs read.
    static QString directory();
    static QStringList pages();
    static QString text(const QString& page);
    // Every id="..." of the page, in order, duplicates kept.
    static QStringList ids(const QString& page);
    static QSet<QString> idSet(const QString& page) {
        const QStringList all = ids(page);
        return QSet<QString>(all.begin(), all.end());
    }
    // Every href="..." of the page.
    static QStringList links(const QString& page);
};
