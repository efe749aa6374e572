#pragma once

#include "server/InvoiceSum.h"
#include "server/TrdmApuracaoZel.h"

#include <map>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class CounterConnection;
class DeliverySelection;
class ServerSql;
struct CalculaApuracaoRequest;

// The one transaction of a registered billing computation: its invoices, one per key of
// the selection with the sums of their deliveries, every selected delivery marked with the
// computation and its invoice, status "F", the order counter, and the export. All or
// nothing: a failure raises and leaves the tables as they were. The deliveries are read
// once: counted per invoice and day from an index, then marked and summed in one pass.
// Progress is reported all along, often enough for a person to see it move.
class BillingComputation {
public:
    // Invoice numbers come from `counters`, outside this transaction.
    BillingComputation(const ServerSql& sql, CounterConnection& counters,
                       const CalculaApuracaoRequest& request, const DeliverySelection& selection,
                       const QString& nr, const TrdmApuracaoZel::Progress& progress);

    // Writes the export into `exportDir` unless it is empty.
    void run(const QString& exportDir);

    // The page cache of a computation on SQLite, in KiB: its pass touches most pages of the
    // deliveries, and in a cache that holds them each is read and written once. Bounded,
    // so that the server's memory does not grow with the computation.
    static constexpr int kSqliteCacheKiB = 64 * 1024;

    // "0000000042" → 42; anything but digits → -1.
    static qint64 orderNumber(const QString& text);

private:
    using Invoice = InvoiceSum;
    using PerDay = std::map<QDate, qint64>;

    // What the computation takes, counted from the index: the invoices in key order and
    // how many deliveries fall on each day (the steps of the marking on PostgreSQL).
    struct Plan {
        std::vector<Invoice> invoices;
        PerDay perDay;
        qint64 deliveries = 0;
    };

    enum class Phase { Separating, Marking, Exporting };
    // `count` of `total` deliveries are through `phase`.
    void report(Phase phase, qint64 count, qint64 total);
    Plan count() const;
    bool anyWithoutFaturamento() const;
    QString keyColumn(const Invoice& invoice, const char* name) const;
    QStringList keyParts(const QString& table) const;
    void insertInvoice(const Invoice& invoice);
    void setInvoiceValues(const Invoice& invoice);
    // Mark every selected delivery and return the invoices with their sums.
    std::vector<Invoice> markOnSqlite(const Plan& plan);
    std::vector<Invoice> markOnPostgreSql(const Plan& plan);
    void fillInvoiceKeys(const Plan& plan);
    struct TablePages {
        qint64 pages = 0;
        qint64 rows = 0;
    };
    TablePages tablePages() const;

    const ServerSql& m_sql;
    CounterConnection& m_counters;
    const CalculaApuracaoRequest& m_r;
    const DeliverySelection& m_selection;
    QString m_nr;
    const TrdmApuracaoZel::Progress& m_progress;
};
