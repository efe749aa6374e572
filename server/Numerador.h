#pragma once

#include "server/ServerSql.h"

#include <QString>

// The counters of table NUMERADOR. Computation and invoice numbers are keys of whole
// tables, so their counters are shared by every branch; order numbers count per branch
// and company. Numbers are handed out by an UPDATE inside the caller's transaction: the
// row lock it takes makes a second process wait for the commit, never reuse a number.
class Numerador {
public:
    explicit Numerador(const ServerSql& sql);

    // Reserves `count` computation or invoice numbers; returns the first. Must run inside
    // a transaction.
    qint64 nextApuracao();
    qint64 reserveNotasFiscais(qint64 count);

    // The last order number used by the company at the branch, 0 when none.
    qint64 lastPedido(const QString& filial, const QString& cdcia) const;
    // Raises the company's order counter to `number` when that is larger.
    void advancePedido(const QString& filial, const QString& cdcia, qint64 number);

    // "0000000042".
    static QString format(qint64 number);

private:
    qint64 reserve(const QString& sequence, const QString& table, const QString& keyColumn,
                   qint64 count);
    void ensureShared(const QString& sequence, const QString& table, const QString& keyColumn);

    const ServerSql& m_sql;
};
