#pragma once

#include "db/TDatabaseUrl.h"

#include <QSqlDatabase>
#include <QString>

// One database connection opened from a URL (see TDatabaseUrl). Each object has its own
// Qt connection name, so every thread can open its own; a QSqlDatabase may only be used
// by the thread that opened it.
//
// SQLite connections run in WAL mode (readers go on while the server writes), wait for
// locks instead of failing at once, enforce foreign keys and get PARAM, NVLSTR and NVLNUM
// (SqliteFunctions). On PostgreSQL the schema creates those.
class TDatabase {
public:
    enum class OpenMode {
        ExistingOnly,    // a missing SQLite file is an error (a typo must not create one)
        CreateIfMissing, // for the tool that creates databases
    };

    TDatabase();
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Closes any open connection first. Raises the platform's Exception with a Portuguese
    // text for a bad URL or a failed open; the connection stays closed then.
    void open(const QString& url, OpenMode mode = OpenMode::ExistingOnly);
    void close();
    bool isOpen() const;

    TDialect dialect() const { return m_url.dialect(); }
    const TDatabaseUrl& url() const { return m_url; }
    // Invalid while closed.
    QSqlDatabase database() const { return m_db; }
    QString connectionName() const { return m_connectionName; }

    // How long an SQLite connection waits for a lock before failing.
    static constexpr int busyTimeoutMs = 10000;

private:
    void openSqlite(OpenMode mode);
    void openPostgreSql();
    void prepareSqlite();
    void exec(const QString& statement);
    [[noreturn]] void fail(const QString& why);

    TDatabaseUrl m_url;
    QString m_connectionName;
    QSqlDatabase m_db;
};
