#pragma once

#include "protocol/ArgKind.h"
#include "protocol/RemoteValue.h"
#include "server/TurnQueue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

class CounterConnection;

// Settings of a server process that the methods need.
struct ServerOptions {
    // A running computation ("P") older than this counts as interrupted.
    int leaseSeconds = 900;
    // Where computed deliveries are exported; empty: the DIRETORIOS row "EXPDELIV" the
    // operator wrote, if any. Never a client's choice.
    QString exportDir;
    // Set when the server stops and its grace is running out: a computation under way fails
    // at its next progress step, so it rolls back and is marked "E" instead of left "P".
    std::shared_ptr<const std::atomic<bool>> stopping;
    // The places of the computations this process runs at once, shared by its sessions;
    // null: no limit.
    std::shared_ptr<TurnQueue> computations;
};

// The remote data module "Zel00100.rdmApuracaoZel": one instance per client session, on
// that session's own database connection. Methods run by name with positional arguments;
// a failure throws ServerFailure with the exact text the client receives.
class TrdmApuracaoZel {
public:
    using Progress = std::function<void(qint64 done, qint64 total, const QString& text)>;

    // `user` is who the session works for (the client's hello); it is recorded on every
    // computation registered and every cancellation.
    TrdmApuracaoZel(QSqlDatabase db, ServerOptions options, QString user = {});
    ~TrdmApuracaoZel();

    // The argument kinds of every method, by name. The network layer checks a call
    // against them ("Método desconhecido: NAME", "Chamada inválida: NAME") before calling.
    static const QHash<QString, QList<protocol::ArgKind>>& signatures();

    // Runs `method`. R and V arguments may be changed in place; the caller sends their new
    // values back. Checks the arguments against the signature and the column widths itself
    // too, so it is safe to call directly.
    protocol::RemoteValue call(const QString& method, QList<protocol::RemoteValue>& args,
                               const Progress& progress = {});

    // The computation this session made last (for GetNotaFiscal with an empty key).
    const QString& lastComputation() const { return m_lastComputation; }
    const QString& user() const { return m_user; }

private:
    protocol::RemoteValue dispatch(const QString& method, QList<protocol::RemoteValue>& args,
                                   const Progress& progress);
    using Args = QList<protocol::RemoteValue>;

    protocol::RemoteValue getNotaFiscal(Args& args);
    protocol::RemoteValue getCtrlApurTaxa(Args& args);
    protocol::RemoteValue getNotasApuradas(Args& args);
    protocol::RemoteValue getPerFecham(Args& args);
    protocol::RemoteValue getDiretorios(Args& args);
    protocol::RemoteValue getFormemIsNF(Args& args);
    protocol::RemoteValue getVooTrecho(Args& args);
    protocol::RemoteValue getLocalFatu(Args& args);
    protocol::RemoteValue getCtrlApurFat(Args& args);
    protocol::RemoteValue getUltimoNrPedido(Args& args);
    // TrdmApuracaoZelBilling.cpp
    protocol::RemoteValue calculaApuracao(Args& args, const Progress& progress);
    // TrdmApuracaoZelFees.cpp
    protocol::RemoteValue calcApuracTaxa(Args& args, const Progress& progress);
    protocol::RemoteValue getApuracoes(Args& args);
    protocol::RemoteValue cancelaApuracao(Args& args);

    // `progress` that first raises when the server is stopping.
    Progress stopAware(const Progress& progress) const;
    // A place among the computations that run at once (ServerOptions::computations); while
    // it waits, `progress` tells how many are ahead.
    TurnQueue::Turn awaitTurn(const Progress& progress) const;
    // The moment before which a running computation counts as interrupted.
    QDateTime leaseLimit() const;

    QSqlDatabase m_db;
    std::unique_ptr<CounterConnection> m_counters;
    ServerOptions m_options;
    QString m_user;
    QString m_lastComputation;
};
