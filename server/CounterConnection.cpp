#include "server/CounterConnection.h"

#include "core/Exception.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"

#include <QSqlError>

#include <atomic>

namespace {
std::atomic<int> g_counter{0};
} // namespace

CounterConnection::CounterConnection(QSqlDatabase session)
    : m_session(std::move(session)) {}

CounterConnection::~CounterConnection() {
    if (m_name.isEmpty())
        return;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

qint64 CounterConnection::nextApuracao() {
    return reserve([](Numerador& numerador) { return numerador.nextApuracao(); });
}

qint64 CounterConnection::reserveNotasFiscais(qint64 count) {
    return reserve([count](Numerador& numerador) { return numerador.reserveNotasFiscais(count); });
}

template <typename Reserve>
qint64 CounterConnection::reserve(Reserve reserve) {
    const ServerSql session(m_session);
    if (session.dialect() == TDialect::SQLite) {
        Numerador numerador(session);
        return reserve(numerador);
    }
    const ServerSql sql(own());
    SqlTransaction transaction(sql);
    Numerador numerador(sql);
    const qint64 first = reserve(numerador);
    transaction.commit();
    return first;
}

// Opened on first use, on the session's thread, with the session's settings.
QSqlDatabase CounterConnection::own() {
    if (!m_name.isEmpty())
        return QSqlDatabase::database(m_name, false);
    const QString name =
        QStringLiteral("%1-numeros-%2").arg(m_session.connectionName()).arg(g_counter.fetch_add(1));
    QSqlDatabase db = QSqlDatabase::cloneDatabase(m_session, name);
    if (!db.open()) {
        const QString why = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw Exception(
            QStringLiteral("Não foi possível abrir a conexão dos numeradores: %1").arg(why));
    }
    m_name = name;
    return db;
}
