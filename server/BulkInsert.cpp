#include "server/BulkInsert.h"

#include "core/Exception.h"

#include <QSqlError>

BulkInsert::BulkInsert(QSqlDatabase db, const QString& table, const QStringList& columns,
                       int batchRows)
    : m_db(db)
    , m_table(table)
    , m_columns(columns)
    , m_batchRows(batchRows) {
    m_pending.reserve(qsizetype(batchRows) * columns.size());
}

BulkInsert::~BulkInsert() = default;

QString BulkInsert::statement(int rows) const {
    QStringList marks(m_columns.size(), QStringLiteral("?"));
    const QString one = QLatin1Char('(') + marks.join(QLatin1String(", ")) + QLatin1Char(')');
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(m_table, m_columns.join(QLatin1String(", ")),
             QStringList(rows, one).join(QLatin1String(", ")));
}

void BulkInsert::add(const QVariantList& values) {
    if (values.size() != m_columns.size())
        throw Exception(QStringLiteral("%1: %2 valores para %3 colunas.")
                            .arg(m_table)
                            .arg(values.size())
                            .arg(m_columns.size()));
    m_pending.append(values);
    if (m_pending.size() < qsizetype(m_batchRows) * m_columns.size())
        return;
    if (!m_batchQuery) {
        m_batchQuery = std::make_unique<QSqlQuery>(m_db);
        if (!m_batchQuery->prepare(statement(m_batchRows)))
            throw Exception(m_batchQuery->lastError().text());
    }
    write(*m_batchQuery, m_batchRows);
}

void BulkInsert::finish() {
    const int rows = int(m_pending.size() / m_columns.size());
    if (rows > 0) {
        QSqlQuery last(m_db);
        if (!last.prepare(statement(rows)))
            throw Exception(last.lastError().text());
        write(last, rows);
    }
    m_batchQuery.reset();
}

void BulkInsert::write(QSqlQuery& query, int rows) {
    for (qsizetype i = 0; i < m_pending.size(); ++i)
        query.bindValue(int(i), m_pending[i]);
    if (!query.exec()) {
        const QSqlError e = query.lastError();
        throw Exception(QStringLiteral("%1: %2").arg(
            m_table, e.databaseText().isEmpty() ? e.text() : e.databaseText()));
    }
    m_written += rows;
    m_pending.clear();
}
