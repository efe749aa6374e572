#include "external/appserver/ServerLink.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

using protocol::Message;

ServerLink::ServerLink(Options options)
    : m_options(std::move(options))
    , m_reader(m_options.maxFrameSize) {}

ServerLink::~ServerLink() {
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

bool ServerLink::open(const QString& serverName, const QString& token, QString* error) {
    if (m_options.tls) {
        auto* ssl = new QSslSocket(this);
        QSslConfiguration config = ssl->sslConfiguration();
        config.addCaCertificates(m_options.caCertificates);
        ssl->setSslConfiguration(config);
        m_socket = ssl;
    } else {
        m_socket = new QTcpSocket(this);
    }
    connect(m_socket, &QTcpSocket::readyRead, this, &ServerLink::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &ServerLink::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ServerLink::activity);
    connect(m_socket, &QTcpSocket::connected, this, &ServerLink::activity);
    if (m_options.tls) {
        auto* ssl = static_cast<QSslSocket*>(m_socket.data());
        connect(ssl, &QSslSocket::encrypted, this, &ServerLink::activity);
        ssl->connectToHostEncrypted(m_options.host, m_options.port);
    } else {
        m_socket->connectToHost(m_options.host, m_options.port);
    }
    if (!waitForSocket(error))
        return false;
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->write(Message::hello(serverName, Message::kVersion, token, m_options.user).toFrame());
    return waitForHello(error);
}

bool ServerLink::waitForSocket(QString* error) {
    auto ready = [this] {
        if (!m_socket)
            return false;
        if (!m_options.tls)
            return m_socket->state() == QAbstractSocket::ConnectedState;
        return static_cast<QSslSocket*>(m_socket.data())->isEncrypted();
    };
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        emit activity();
    });
    timer.start(m_options.connectTimeoutMs);
    m_timedOut = false;
    while (!ready() && !m_timedOut && m_socket &&
           m_socket->state() != QAbstractSocket::UnconnectedState)
        waitForActivity();
    if (ready())
        return true;
    *error = m_timedOut ? QStringLiteral("tempo de conexão esgotado") : socketReason();
    close();
    return false;
}

bool ServerLink::waitForHello(QString* error) {
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        emit activity();
    });
    timer.start(m_options.connectTimeoutMs);
    m_timedOut = false;
    while (!m_helloAnswer && !m_timedOut && m_socket &&
           m_socket->state() == QAbstractSocket::ConnectedState)
        waitForActivity();
    if (m_helloAnswer && m_helloAnswer->type == Message::Type::HelloOk) {
        if (m_helloAnswer->version != Message::kVersion) {
            *error =
                QStringLiteral("versão %1 do protocolo não suportada").arg(m_helloAnswer->version);
            close();
            return false;
        }
        m_session = m_helloAnswer->session;
        m_open = true;
        return true;
    }
    if (m_helloAnswer)
        *error = m_helloAnswer->text; // the server's refusal, as it said it
    else if (m_timedOut)
        *error = QStringLiteral("o servidor não respondeu à apresentação");
    else
        *error = m_lostReason.isEmpty() ? socketReason() : m_lostReason;
    close();
    return false;
}

void ServerLink::waitForActivity(int timeoutMs) {
    QEventLoop loop;
    connect(this, &ServerLink::activity, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void ServerLink::close() {
    m_open = false;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    emit activity();
}

ServerLink::Outcome ServerLink::call(const QString& method,
                                     const QList<protocol::RemoteValue>& args,
                                     const ProgressHandler& onProgress, Message* reply,
                                     int silenceMs, const std::function<bool()>& cancelled) {
    if (!m_open)
        return Outcome::Lost;
    const qint64 id = m_nextId++;
    Pending pending;
    m_pending.insert(id, &pending);
    const auto forget = qScopeGuard([&] { m_pending.remove(id); });
    m_socket->write(Message::call(id, method, args).toFrame());
    QDeadlineTimer deadline =
        silenceMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(silenceMs);
    std::optional<std::pair<qint64, QString>> lastReport;
    for (;;) {
        while (!pending.progress.isEmpty()) {
            const Message progress = pending.progress.takeFirst();
            const std::pair<qint64, QString> report{progress.done, progress.text};
            if (silenceMs >= 0 && report != lastReport)
                deadline.setRemainingTime(silenceMs);
            lastReport = report;
            if (onProgress)
                onProgress(progress);
        }
        if (pending.reply) {
            *reply = std::move(*pending.reply);
            return reply->type == Message::Type::Failure ? Outcome::Failure : Outcome::Result;
        }
        if (!m_open)
            return Outcome::Lost;
        if (cancelled && cancelled())
            return Outcome::Cancelled;
        if (deadline.hasExpired())
            return Outcome::TimedOut;
        waitForActivity(deadline.isForever() ? -1 : int(deadline.remainingTime()));
    }
}

void ServerLink::onReadyRead() {
    if (!m_socket)
        return;
    m_reader.feed(m_socket->readAll());
    QByteArray payload;
    while (m_socket && m_reader.next(&payload)) {
        auto decoded = Message::fromServer(payload);
        if (!decoded.ok()) {
            lose(QStringLiteral("resposta inválida do servidor: %1").arg(decoded.error()));
            return;
        }
        dispatch(decoded.take());
    }
    if (m_reader.hasError()) {
        lose(QStringLiteral("resposta inválida do servidor: %1").arg(m_reader.errorString()));
        return;
    }
    emit activity();
}

void ServerLink::dispatch(Message&& message) {
    switch (message.type) {
    case Message::Type::HelloOk:
    case Message::Type::HelloRefused:
        if (m_open || m_helloAnswer) {
            lose(message.type == Message::Type::HelloRefused
                     ? message.text
                     : QStringLiteral("apresentação repetida pelo servidor"));
        } else {
            m_helloAnswer = std::move(message);
        }
        return;
    case Message::Type::Progress:
        // A reply or progress for an id nobody waits for belongs to an abandoned call.
        if (Pending* p = m_pending.value(message.id))
            p->progress.append(std::move(message));
        return;
    case Message::Type::Reply:
    case Message::Type::Failure:
        if (Pending* p = m_pending.value(message.id))
            p->reply = std::move(message);
        return;
    default:
        lose(QStringLiteral("mensagem inesperada do servidor"));
    }
}

void ServerLink::onDisconnected() {
    // A refusal or a last reply may arrive together with the close.
    if (m_socket && m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (!m_open && m_socket) {
        // Still opening: the waiting open() reads the socket's error and closes it.
        emit activity();
        return;
    }
    lose(QStringLiteral("conexão encerrada pelo servidor"));
}

void ServerLink::lose(const QString& reason) {
    if (m_lostReason.isEmpty())
        m_lostReason = reason;
    if (m_open)
        qWarning("Servidor de aplicação %s:%u: %s", qPrintable(m_options.host),
                 unsigned(m_options.port), qPrintable(reason));
    close();
}

QString ServerLink::socketReason() const {
    if (!m_socket)
        return m_lostReason;
    switch (m_socket->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("conexão recusada");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("servidor não encontrado");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("tempo de conexão esgotado");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("conexão encerrada pelo servidor");
    case QAbstractSocket::SslHandshakeFailedError:
        return QStringLiteral("falha na negociação TLS: %1").arg(m_socket->errorString());
    default:
        return m_socket->errorString();
    }
}
