#pragma once

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
// nothing: a failure raises and leaves the tables as they were. Progress is reported all
// along, the sum included, often enough for a person to see it move.
class BillingComputation {
public:
    // Invoice numbers come from `counters`, outside this transaction.
    BillingComputation(const ServerSql& sql, CounterConnection& counters,
                       const CalculaApuracaoRequest& request, const DeliverySelection& selection,
                       const QString& nr, const TrdmApuracaoZel::Progress& progress);

    // Writes the export into `exportDir` unless it is empty.
    void run(const QString& exportDir);

    // "0000000042" → 42; anything but digits → -1.
    static qint64 orderNumber(const QString& text);

private:
    // One invoice: the values of the selection's key columns and its totals.
    struct Invoice {
        QStringList key;
        QString number;
        qint64 value = 0;
        qint64 foreign = 0;
    };

    // What the computation takes, summed in the database: the invoices in key order and
    // how many deliveries fall on each day (the steps of the marking).
    struct Totals {
        std::vector<Invoice> invoices;
        std::map<QDate, qint64> perDay;
        qint64 deliveries = 0;
    };
    using PerDay = std::map<QDate, qint64>;

    enum class Phase { Summing, Separating, Marking, Exporting };
    // `count` of `total` deliveries are through `phase`.
    void report(Phase phase, qint64 count, qint64 total);
    PerDay deliveriesPerDay() const;
    Totals sum();
    void clearInvoiceKeys();
    QString keyPart(const Invoice& invoice, int i) const;
    void insertInvoice(const Invoice& invoice);
    // Returns how many deliveries it marked.
    qint64 markDeliveries(const PerDay& perDay);

    const ServerSql& m_sql;
    CounterConnection& m_counters;
    const CalculaApuracaoRequest& m_r;
    const DeliverySelection& m_selection;
    QString m_nr;
    const TrdmApuracaoZel::Progress& m_progress;
};
