#pragma once

#include "server/SeedRandom.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

#include <map>
#include <vector>

// The demo's business as it stands on a given day, written over the demo's companies
// (SeedData::demo with the same day), the same rows for the same day:
// - every company's proposed period holds deliveries to bill on most of its legs, a few
//   legs without any; the month before it was billed already (status "F");
// - NDT at branch 0001 has a delivery without a billing number in that period, so the
//   screen refuses to compute it;
// - VBR at branch 0001 has an interrupted computation ("P" since the day before) and TRZ
//   a failed one ("E"), both of the proposed period, to be cancelled;
// - the computation of AZC at branch 0001 has its invoices issued (IDEMITIDA "S"), so it
//   cannot be cancelled;
// - PNT, the airport-fee company, has weekly computations by product group whose invoices
//   wait for their fees (more than 23 of them in the quarter before), two already charged;
class DemoActivity {
public:
    DemoActivity(QSqlDatabase db, const QDate& today);
    void write();

    // Deliveries are numbered "D" + 11 digits, so they never meet generated ones ("G...").
    static QString deliveryNumber(qint64 n);

private:
    struct Company {
        QString filial, cdcia, sgcia, cliente, form, serie;
        QDate lastClosing;
        QDate closing; // the next one, which ends the proposed period
        int billingDays = 0;
        bool proposesClosing = true;
        QList<QStringList> legs; // NRVOO, SGBASEORI, SGBASEDES
        QStringList locations;
    };
    struct Delivery {
        QString number;
        QStringList leg;
        QString location, group;
        QDate date;
        qint64 cents = 0;
        bool billable = true; // has NRFATURAMENTO
    };
    struct Computation {
        QString status = QStringLiteral("F");
        QDate start, end, billing;
        QString group, error;
        QDateTime started;
        bool issued = false;
    };

    std::vector<Company> companies();
    QDate proposedStart(const Company& c) const;
    QDate proposedEnd(const Company& c) const;
    // Deliveries of `c` dated in [start, end]: a few per leg, skipping `emptyLegs`.
    std::vector<Delivery> deliveriesOf(const Company& c, const QDate& start, const QDate& end,
                                       const QStringList& groups, int emptyLegs);
    // Registers a computation of `c` over `taken`, with its invoices when it finished, and
    // keeps the deliveries; returns the invoice numbers.
    QStringList compute(const Company& c, const Computation& computation,
                        std::vector<Delivery>& taken);
    void writeFeeHistory(const Company& c, const QStringList& groups);
    // The invoice key of a delivery under the company's issue form.
    static QString invoiceKey(const Company& c, const Delivery& d);
    void keep(const Company& c, const std::vector<Delivery>& deliveries, const QString& nr,
              const QMap<QString, QString>& invoiceOf);
    void writeFees(const Company& pnt, const QStringList& invoices);
    void flush();

    QSqlDatabase m_db;
    QDate m_today;
    SeedRandom m_random;
    qint64 m_nextDelivery = 1;
    qint64 m_nextComputation = 1;
    qint64 m_nextInvoice = 1;
    std::map<QString, qint64> m_pedidos; // "filial/cdcia" → last order number
    QMap<QString, std::pair<qint64, qint64>> m_invoiceValues; // NRLANCTONF → value, foreign
    std::vector<QVariantList> m_deliveries, m_computations, m_invoices;
};
