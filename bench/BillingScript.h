#pragma once

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

class TNetConnection;

// The yardstick of the billing benchmark: the computation of one company at one branch
// (one invoice per flight, form "02", all flights, no product group) written as a handful of
// set-based statements, and what a computation leaves in the tables, to compare two databases.

// What one computation is asked for.
struct BillingScope {
    QString filialTrabalho;
    QString filial;
    QString cdcia;
    QString cliente;
    QString serie;
    QString carrierKind;
    QString carrierNumber;
    QDate start;
    QDate end;
    QDate billing;

    // Customer and series read from COMPANHIA and CIAFILI; raises when the company is not
    // set up at the branch.
    static BillingScope of(QSqlDatabase db, const QString& filial, const QString& cdcia,
                           const QDate& start, const QDate& end, const QDate& billing);

    // Asks `net`'s server for this computation: all flights, no product group, no carrier
    // change, the rest as the screen sends it. Returns the computation's number.
    QString calculaApuracao(TNetConnection& net) const;
};

// One invoice as a computation leaves it, with what its deliveries add up to.
struct InvoiceLine {
    QString number;
    QString flight;
    qint64 value = 0;
    qint64 foreign = 0;
    qint64 deliveries = 0;
    qint64 deliveriesValue = 0;

    bool operator==(const InvoiceLine&) const = default;
};

struct BillingOutcome {
    QString status;
    qint64 markedDeliveries = 0;
    QList<InvoiceLine> invoices;  // by number
    qint64 lastInvoiceNumber = 0; // NUMERADOR's counter afterwards

    bool operator==(const BillingOutcome&) const = default;
    qint64 invoiceTotal() const;
};

// Runs the computation in one transaction and returns its number; rolls back and raises
// the platform's Exception when a statement fails or a selected delivery lacks its billing
// number.
QString runSetBasedBilling(QSqlDatabase db, const BillingScope& scope);

// What computation `nr` left in the tables.
BillingOutcome outcomeOf(QSqlDatabase db, const QString& nr);

// The flight numbers among the company's deliveries at the branch in the period.
qint64 distinctFlights(QSqlDatabase db, const BillingScope& scope);
