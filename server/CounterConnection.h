#pragma once

#include <QSqlDatabase>
#include <QString>

// Where a session reserves computation and invoice numbers that a long transaction needs.
// On PostgreSQL on a connection of its own, each reservation committed at once, so that no
// counter stays locked while a computation runs and no other session's registration or
// computation waits for it; a computation that fails afterwards leaves a gap in the
// numbers. On SQLite, whose one writer holds the whole database anyway, in the caller's
// own transaction. Registrations take their computation numbers here too, so that many
// desktops registering at once queue on no counter held until their commits.
class CounterConnection {
public:
    explicit CounterConnection(QSqlDatabase session);
    ~CounterConnection();
    CounterConnection(const CounterConnection&) = delete;
    CounterConnection& operator=(const CounterConnection&) = delete;

    // As Numerador's; raises the platform's exceptions like any statement.
    qint64 nextApuracao();
    qint64 reserveNotasFiscais(qint64 count);

private:
    template <typename Reserve>
    qint64 reserve(Reserve reserve);
    QSqlDatabase own();

    QSqlDatabase m_session;
    QString m_name;
};
