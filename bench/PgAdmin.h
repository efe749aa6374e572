#pragma once

#include <QString>

// What the benchmarks do on a PostgreSQL server besides the work they measure: creating and
// dropping their databases, which needs a connection to another database (the one --pg names).
class PgAdmin {
public:
    // Runs `statement` on a connection of its own to `url`; raises with the server's text.
    static void run(const QString& url, const QString& statement);
    // `url` with its database replaced by `database`.
    static QString urlOf(const QString& url, const QString& database);
};
