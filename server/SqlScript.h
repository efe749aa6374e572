#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Runs SQL scripts (schema, fixtures) statement by statement: Qt's drivers take one
// statement per call.
class SqlScript {
public:
    // Splits at the semicolons that end statements: not inside quotes, comments or
    // PostgreSQL's dollar-quoted function bodies. Empty statements are dropped.
    static QStringList split(const QString& script);

    // Runs every statement; raises the platform's Exception with the driver's text and
    // the start of the failing statement.
    static void run(QSqlDatabase db, const QString& script);
    static void exec(QSqlDatabase db, const QString& statement);

    // The text of a compiled-in resource (":/server/..."); raises when it is missing.
    static QString resource(const QString& path);
};
