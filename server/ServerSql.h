#pragma once

#include "db/TDialect.h"

#include <initializer_list>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <utility>

// The server's statements on one connection, written once for both engines. Dates travel
// as ISO texts in both directions: SQLite stores them so, and PostgreSQL infers the date
// or timestamp type of a parameter from the column it meets. A failed statement raises
// the platform's EDBEngineError with the database's text.
class ServerSql {
public:
    using Binds = std::initializer_list<std::pair<const char*, QVariant>>;

    explicit ServerSql(QSqlDatabase db);

    TDialect dialect() const { return m_dialect; }
    QSqlDatabase database() const { return m_db; }

    // Prepares, binds by name and runs; the query is positioned before its first row.
    QSqlQuery exec(const QString& sql, Binds binds = {}) const;
    // The same with a list built at run time (names without the colon).
    QSqlQuery exec(const QString& sql, const QList<std::pair<QString, QVariant>>& binds) const;
    // Runs a statement that changes rows and returns how many it changed.
    int change(const QString& sql, Binds binds = {}) const;
    // The first column of the first row, null when there is no row.
    QVariant scalar(const QString& sql, Binds binds = {}) const;

    // Parameter values for dates and moments; a missing date binds as null.
    static QVariant bindDate(const QDate& date);
    static QVariant bindDateTime(const QDateTime& moment);
    // An empty text binds as null.
    static QVariant textOrNull(const QString& text);
    // A text that binds as itself even when empty (a null QString binds as null).
    static QVariant textNotNull(const QString& text);
    // Column values back: SQLite gives texts, PostgreSQL QDate / QDateTime.
    static QDate toDate(const QVariant& value);
    static QDateTime toDateTime(const QVariant& value);

    // Whether a failed statement broke a unique key or index.
    static bool isUniqueViolation(const QString& driverText);

private:
    QSqlDatabase m_db;
    TDialect m_dialect;
};
