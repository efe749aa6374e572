#pragma once

#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

// Finds the named placeholders (":NAME") of an SQL text, skipping quoted texts, quoted
// names, comments and "::" casts, and rewrites them when an engine needs it.
class SqlPlaceholders {
public:
    struct Occurrence {
        qsizetype position; // of the colon
        qsizetype length;   // colon included
        QString name;       // without the colon, as written
    };

    static QList<Occurrence> find(const QString& sql);
    // Each name once, in order of first use; names differing only in case are one.
    static QStringList names(const QString& sql);
    // Every ":NAME" replaced by "CAST(:NAME AS type)", type given per name. PostgreSQL
    // cannot infer the type of a placeholder in ":P IS NULL" or ":P = 'T'"; a CAST lets it.
    static QString withCasts(const QString& sql,
                             const std::function<QString(const QString& name)>& typeOf);
};
