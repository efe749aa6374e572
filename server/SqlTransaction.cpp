#include "server/SqlTransaction.h"

#include "core/EDBEngineError.h"
#include "db/TDatabase.h"

SqlTransaction::SqlTransaction(const ServerSql& sql)
    : m_sql(sql) {
    if (m_sql.dialect() != TDialect::SQLite) {
        m_sql.exec(QStringLiteral("BEGIN"));
        m_open = true;
        return;
    }
    m_turn = TurnQueue::wait(TurnQueue::writersOf(m_sql.database().databaseName()),
                             TDatabase::busyTimeoutMs);
    // What SQLite says when its own wait runs out, so that the caller answers the same.
    if (!m_turn.holds())
        throw EDBEngineError(QStringLiteral("database is locked"), {});
    m_sql.exec(QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

SqlTransaction::~SqlTransaction() {
    rollback();
}

void SqlTransaction::commit() {
    m_sql.exec(QStringLiteral("COMMIT"));
    m_open = false;
    m_turn.leave();
}

void SqlTransaction::rollback() noexcept {
    if (!m_open)
        return;
    m_open = false;
    try {
        m_sql.exec(QStringLiteral("ROLLBACK"));
    } catch (...) {
        // A connection that died has no transaction left to end.
    }
    m_turn.leave();
}
