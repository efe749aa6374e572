#include "external/appserver/TNetConnection.h"

#include "external/appserver/TCallLog.h"

#include "core/Exception.h"
#include "core/SystemUser.h"
#include "external/appserver/ServerLink.h"
#include "platform/TApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>

#include <optional>
#include <utility>

using protocol::Message;
using protocol::RemoteValue;

namespace {

struct Address {
    QString host;
    int port = 0;
    bool tls = false;
};

// "tls://host:port", "host:port", "[::1]:port" or just "host"; Port wins when set.
Address parseAddress(QString host, int port) {
    Address a;
    if (host.startsWith(QLatin1String("tls://"), Qt::CaseInsensitive)) {
        a.tls = true;
        host = host.mid(6);
    } else if (host.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)) {
        host = host.mid(6);
    }
    int hostPort = 0;
    const qsizetype colon = host.lastIndexOf(u':');
    const bool bracketed = host.startsWith(u'[');
    if (colon > 0 && (bracketed ? host.at(colon - 1) == u']' : host.count(u':') == 1)) {
        bool ok = false;
        hostPort = host.mid(colon + 1).toInt(&ok);
        if (ok)
            host.truncate(colon);
        else
            hostPort = 0;
    }
    if (bracketed && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    a.host = host.trimmed();
    a.port = port > 0 ? port : hostPort;
    return a;
}

// Without an application object there is only the one thread that made the call.
bool onApplicationThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace

TNetConnection::TNetConnection()
    : m_user(SystemUser::name().left(kMaxUserLength)) {}

TNetConnection::~TNetConnection() {
    disconnect();
}

bool TNetConnection::connected() const {
    return m_link && m_link->isOpen();
}

qint64 TNetConnection::session() const {
    return connected() ? m_link->session() : 0;
}

QString TNetConnection::noConnectionText() const {
    const Address a = parseAddress(m_host, m_port);
    return QStringLiteral("Sem conexão com o servidor de aplicação (%1:%2).")
        .arg(a.host)
        .arg(a.port);
}

QString TNetConnection::cancelledWaitText() const {
    const Address a = parseAddress(m_host, m_port);
    return QStringLiteral("Espera pelo servidor de aplicação %1:%2 cancelada. O servidor continua "
                          "o que estava fazendo: confira o resultado na Consulta de Apurações.")
        .arg(a.host)
        .arg(a.port);
}

QString TNetConnection::timedOutText(int milliseconds) const {
    const Address a = parseAddress(m_host, m_port);
    return QStringLiteral("Servidor de aplicação %1:%2 não respondeu em %3 s.")
        .arg(a.host)
        .arg(a.port)
        .arg((milliseconds + 999) / 1000);
}

bool TNetConnection::connect() {
    if (connected())
        return true;
    if (open())
        return true;
    if (m_throwException) {
        const Address a = parseAddress(m_host, m_port);
        throw Exception(
            QStringLiteral("Não foi possível conectar ao servidor de aplicação (%1:%2): %3")
                .arg(a.host)
                .arg(a.port)
                .arg(m_lastError));
    }
    return false;
}

bool TNetConnection::open() {
    disconnect();
    if (BeforeConnect)
        BeforeConnect(*this);
    const Address a = parseAddress(m_host, m_port);
    if (a.host.isEmpty() || a.port <= 0 || a.port > 65535) {
        m_lastError = QStringLiteral("endereço do servidor de aplicação incompleto");
        return false;
    }
    ServerLink::Options options;
    options.host = a.host;
    options.port = quint16(a.port);
    options.tls = a.tls;
    options.caCertificates = m_caCertificates;
    options.connectTimeoutMs = m_connectTimeoutMs;
    options.maxFrameSize = m_maxFrameSize;
    options.user = m_user;
    auto link = std::make_shared<ServerLink>(options);
    QString error;
    if (!link->open(m_serverName, m_token, &error)) {
        m_lastError = error;
        return false;
    }
    m_lastError.clear();
    m_link = std::move(link);
    return true;
}

void TNetConnection::disconnect() {
    if (m_link) {
        m_link->close();
        m_link.reset();
    }
}

RemoteValue TNetConnection::call(const QString& method, QList<TRemoteArg>& args) {
    recordCall(method, args);
    QElapsedTimer clock;
    clock.start();
    TCallLog::instance().waitStarted();
    const auto waited =
        qScopeGuard([&] { TCallLog::instance().waitEnded(method, clock.nsecsElapsed()); });
    if (!connected() && !open())
        throw Exception(noConnectionText());
    // Text for a loss, worked out now: a handler run during the wait may change Host.
    const QString lostText = noConnectionText();
    // The link and this object may be dropped by a handler run during the wait.
    const std::shared_ptr<ServerLink> link = m_link;
    const std::weak_ptr<int> alive = m_alive;

    QList<RemoteValue> values;
    values.reserve(args.size());
    for (const TRemoteArg& arg : std::as_const(args))
        values.append(arg.value());
    auto onProgress = [this, alive](const Message& m) {
        if (!alive.expired() && OnProgress)
            OnProgress(m.done, m.total, m.text);
    };
    const int silenceMs = m_longCalls.contains(method) ? m_longTimeoutMs : m_readTimeoutMs;
    const QString timedOut = timedOutText(silenceMs);
    const QString cancelledText = cancelledWaitText();
    // The wait window's "Cancelar espera" ends this wait, the innermost one. The window and
    // its handler belong to the application's thread: a call on another thread (a worker,
    // many simulated desktops in one process) leaves them alone and cannot be cancelled so.
    bool cancelled = false;
    std::optional<std::function<void()>> outer;
    if (onApplicationThread())
        outer = std::exchange(Application().OnCancelWait, [&cancelled, link] {
            cancelled = true;
            link->wake();
        });
    const auto restore = qScopeGuard([&] {
        if (outer)
            Application().OnCancelWait = std::move(*outer);
    });
    Message reply;
    switch (link->call(method, values, onProgress, &reply, silenceMs, [&] { return cancelled; })) {
    case ServerLink::Outcome::Cancelled:
    case ServerLink::Outcome::TimedOut:
        // The late answer must not be taken for the next call's: this link is done.
        link->close();
        if (!alive.expired() && m_link == link)
            m_link.reset();
        throw Exception(cancelled ? cancelledText : timedOut);
    case ServerLink::Outcome::Lost:
        if (!alive.expired()) {
            m_lastError = link->lostReason();
            if (m_link == link)
                m_link.reset();
        }
        throw Exception(lostText);
    case ServerLink::Outcome::Failure:
        throw Exception(reply.text);
    case ServerLink::Outcome::Result:
        break;
    }
    for (auto it = reply.refs.cbegin(); it != reply.refs.cend(); ++it) {
        // Only R and V positions are the caller's variables; anything else is ignored.
        if (it.key() < args.size() && protocol::isByReference(args[it.key()].kind()))
            args[it.key()].writeBack(it.value());
    }
    return std::move(reply.result);
}

void TNetConnection::recordCall(const QString& method, const QList<TRemoteArg>& args) {
    QList<RemoteValue> sent;
    sent.reserve(args.size());
    for (const TRemoteArg& arg : args)
        sent.append(arg.value());
    TCallLog::instance().record(method, sent);
}
