#pragma once

#include "server/ServerSql.h"
#include "server/TurnQueue.h"

// One write transaction; rolled back unless committed. SQLite takes the write lock at
// the start (BEGIN IMMEDIATE), so two writers queue instead of one failing when it
// upgrades a read lock halfway; the writers of this process queue in order of arrival
// (TurnQueue::writersOf), each as long as the busy timeout, before they ask SQLite.
class SqlTransaction {
public:
    explicit SqlTransaction(const ServerSql& sql);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    void commit();
    // Safe to call more than once; never raises.
    void rollback() noexcept;

private:
    const ServerSql& m_sql;
    bool m_open = false;
    TurnQueue::Turn m_turn;
};
