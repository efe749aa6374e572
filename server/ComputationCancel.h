#pragma once

#include <QSqlDatabase>
#include <QString>

// Cancelling a computation, for CancelaApuracao and `zel-appserver cancel` alike. The
// first rule that fails ends it with its text (a ServerFailure): an unknown number, one
// already cancelled, one still inside its lease, one with an issued invoice, a billing
// whose invoice carries a live airport fee. Otherwise, in one transaction, its invoices
// are deleted, a billing's deliveries freed, and its status becomes "C" with the moment
// and the user. The rules are read again under the computation's row lock, so a
// computation that finishes meanwhile or a second cancel is seen, never half undone.
class ComputationCancel {
public:
    ComputationCancel(QSqlDatabase db, int leaseSeconds, QString user);

    // `number` as the user gave it: up to ten digits, zeros on the left optional. Returns
    // "Apuração NR cancelada: K notas fiscais apagadas.".
    QString cancel(const QString& number) const;

private:
    enum class Lock { None, Row };
    // Raises the first rule's refusal; returns the kind of the computation ("F" or "T").
    QString check(const QString& number, const QString& nr, Lock lock) const;

    QSqlDatabase m_db;
    int m_leaseSeconds;
    QString m_user;
};
