#pragma once

#include <memory>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

// Inserts many rows into one table quickly: rows are buffered and written as multi-row
// INSERTs through one reused prepared statement (one round trip per batch on a server).
// Call finish() at the end; rows still buffered when the object dies are dropped, so an
// exception never writes half a batch behind the caller's back.
class BulkInsert {
public:
    BulkInsert(QSqlDatabase db, const QString& table, const QStringList& columns,
               int batchRows = 200);
    ~BulkInsert();

    void add(const QVariantList& values);
    void finish();
    qint64 rowsWritten() const { return m_written; }

private:
    QString statement(int rows) const;
    void write(QSqlQuery& query, int rows);

    QSqlDatabase m_db;
    QString m_table;
    QStringList m_columns;
    int m_batchRows;
    QVariantList m_pending;
    std::unique_ptr<QSqlQuery> m_batchQuery;
    qint64 m_written = 0;
};
