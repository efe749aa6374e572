#include "server/SqlTransaction.h"

SqlTransaction::SqlTransaction(const ServerSql& sql)
    : m_sql(sql) {
    m_sql.exec(m_sql.dialect() == TDialect::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                   : QStringLiteral("BEGIN"));
    m_open = true;
}

SqlTransaction::~SqlTransaction() {
    rollback();
}

void SqlTransaction::commit() {
    m_sql.exec(QStringLiteral("COMMIT"));
    m_open = false;
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
}
