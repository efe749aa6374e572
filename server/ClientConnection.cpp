#include "server/ClientConnection.h"

#include "db/TDatabase.h"
#include "server/CallHandler.h"
#include "server/ServerSettings.h"

#include <QSqlQuery>
#include <QSslSocket>

#include <sys/socket.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

using protocol::Message;

namespace {
// Bytes taken from the socket at a time: the frame reader sees an oversized length early
// instead of after the whole flood was buffered.
constexpr qint64 kReadChunk = 1024 * 1024;
// CTRLAPURFAT.CDUSUARIO.
constexpr qsizetype kMaxUserLength = 30;
// After a message this large, the memory its decoding took is handed back to the system.
constexpr qsizetype kLargeMessage = 256 * 1024;
// The page cache of a SQLite session, in KiB. A session's cache is emptied whenever another
// session wrote since its last read, which on a busy server is nearly every call: a larger
// one keeps little, costs the time of freeing it each call, and leaves sixty-odd threads'
// freed pages resident in the allocator.
constexpr int kSqliteSessionCacheKiB = 64;

// Freed blocks stay in the allocator's per-thread arenas otherwise, and sixteen threads
// that each decoded a large message would keep it all resident.
void returnMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
} // namespace

ClientConnection::ClientConnection(qintptr descriptor, qint64 session,
                                   std::shared_ptr<const ServerSettings> settings)
    : m_descriptor(descriptor)
    , m_session(session)
    , m_settings(std::move(settings))
    , m_reader(m_settings->helloFrameSize()) {}

ClientConnection::~ClientConnection() {
    requestStop();
    wait();
}

void ClientConnection::run() {
    m_helloDeadline = QDeadlineTimer(m_settings->helloTimeoutMs);
    try {
        if (openSocket() && handshake() && greet())
            serve();
    } catch (const std::exception& e) {
        ended(QStringLiteral("falha inesperada: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        ended(QStringLiteral("falha inesperada"));
    }
    close();
}

bool ClientConnection::openSocket() {
    if (m_settings->usesTls()) {
        auto ssl = std::make_unique<QSslSocket>();
        ssl->setLocalCertificateChain(m_settings->certificateChain);
        ssl->setPrivateKey(m_settings->privateKey);
        ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
        ssl->setProtocol(QSsl::TlsV1_2OrLater);
        m_socket = std::move(ssl);
    } else {
        m_socket = std::make_unique<QTcpSocket>();
    }
    if (!m_socket->setSocketDescriptor(m_descriptor))
        return ended(QStringLiteral("socket inválido: %1").arg(m_socket->errorString()));
    m_socket->setReadBufferSize(kReadChunk);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_peer = m_socket->peerAddress();
    m_settings->log->session(m_session, QStringLiteral("conexão de %1:%2")
                                            .arg(m_socket->peerAddress().toString())
                                            .arg(m_socket->peerPort()));
    return true;
}

bool ClientConnection::handshake() {
    if (!m_settings->usesTls())
        return true;
    auto* ssl = static_cast<QSslSocket*>(m_socket.get());
    ssl->startServerEncryption();
    while (!ssl->isEncrypted()) {
        if (ssl->state() != QAbstractSocket::ConnectedState ||
            ssl->error() == QAbstractSocket::SslHandshakeFailedError)
            return ended(QStringLiteral("falha na negociação TLS: %1").arg(ssl->errorString()));
        if (m_stop)
            return ended(QStringLiteral("servidor encerrando"));
        if (m_helloDeadline.hasExpired())
            return ended(QStringLiteral("tempo esgotado na negociação TLS"));
        ssl->waitForEncrypted(slice(m_helloDeadline));
    }
    return true;
}

bool ClientConnection::greet() {
    QByteArray payload;
    if (!readFrame(&payload, m_helloDeadline)) {
        if (m_reader.hasError())
            noteRefusal();
        return false;
    }
    if (!waitOutThrottle())
        return false;
    // The token before anything else of the hello: without it nothing more is decoded.
    if (m_settings->token.isRequired()) {
        const auto token = Message::helloToken(payload);
        if (!token.ok())
            return malformedHello(token.error());
        if (!m_settings->token.matches(token.value()))
            return refuse(QStringLiteral("Acesso negado: token ausente ou inválido."));
    }
    auto decoded = Message::fromClient(payload);
    if (!decoded.ok())
        return malformedHello(decoded.error());
    const Message hello = decoded.take();
    if (hello.type != Message::Type::Hello)
        return refuse(QStringLiteral("Apresentação esperada antes de qualquer chamada."));
    if (hello.name != m_settings->serverName)
        return refuse(QStringLiteral("Objeto de servidor desconhecido: %1").arg(hello.name));
    if (hello.version != Message::kVersion)
        return refuse(
            QStringLiteral("Versão do protocolo não suportada: %1 (este servidor usa a %2).")
                .arg(hello.version)
                .arg(Message::kVersion));
    // Only recorded, never trusted: a longer name is cut to the column's width.
    m_user = hello.user.left(kMaxUserLength);
    if (!openSession())
        return refuse(
            QStringLiteral("O servidor de aplicação não conseguiu abrir o banco de dados."));
    if (!send(Message::helloOk(m_session).toFrame()) || !drain())
        return ended(QStringLiteral("conexão perdida na apresentação"));
    m_reader.setMaxFrameSize(m_settings->maxFrameSize);
    return true;
}

bool ClientConnection::malformedHello(const QString& reason) {
    noteRefusal();
    return ended(QStringLiteral("mensagem inválida: %1").arg(reason));
}

// An address that keeps being refused waits before its hello is even looked at, whatever
// the hello holds: a guess that is right gets its answer no sooner than a wrong one.
bool ClientConnection::waitOutThrottle() {
    const qint64 delay = m_settings->helloThrottle->delayFor(m_peer);
    if (delay <= 0)
        return true;
    const QDeadlineTimer until(delay);
    while (!until.hasExpired()) {
        if (m_stop)
            return ended(QStringLiteral("servidor encerrando"));
        QThread::msleep(ulong(slice(until)));
    }
    return true;
}

void ClientConnection::noteRefusal() {
    const HelloThrottle::Step step = m_settings->helloThrottle->refused(m_peer);
    if (step.changed)
        m_settings->log->server(
            QStringLiteral("%1 apresentações recusadas de %2: as próximas aguardam %3 ms")
                .arg(step.refusals)
                .arg(HelloThrottle::keyOf(m_peer))
                .arg(step.delayMs));
}

bool ClientConnection::openSession() {
    try {
        m_database = std::make_unique<TDatabase>();
        m_database->open(m_settings->databaseUrl);
        // Each SQLite session has a page cache of its own: kept small, so that many desktops
        // do not add up to much (the file's pages stay in the system's cache anyway); a
        // computation enlarges its own while it runs.
        if (m_database->dialect() == TDialect::SQLite)
            QSqlQuery(m_database->database())
                .exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kSqliteSessionCacheKiB));
        m_module = m_settings->createModule(m_database->database(), m_user);
        if (m_module)
            return true;
        m_settings->log->session(m_session, QStringLiteral("módulo não criado"));
    } catch (const std::exception& e) {
        m_settings->log->session(
            m_session,
            QStringLiteral("banco de dados indisponível: %1").arg(QString::fromUtf8(e.what())));
    }
    return false;
}

void ClientConnection::serve() {
    CallHandler handler(*m_settings, *m_module, m_database->database(), m_session, m_user);
    while (!m_stop) {
        QByteArray payload;
        if (!readFrame(&payload, m_settings->idleTimeoutMs > 0
                                     ? QDeadlineTimer(m_settings->idleTimeoutMs)
                                     : QDeadlineTimer(QDeadlineTimer::Forever)))
            return;
        const bool large = payload.size() >= kLargeMessage;
        QByteArray answer;
        if (!answerCall(handler, payload, &answer))
            return;
        payload.clear();
        if (large)
            returnMemory();
        if (!send(answer) || !drain()) {
            ended(QStringLiteral("o cliente não recebeu a resposta"));
            return;
        }
    }
    ended(QStringLiteral("servidor encerrando"));
}

// The call and its arguments live only in here. A well-formed call that holds more than a
// call may is answered as an invalid call of its method and the connection goes on;
// anything else that cannot be read ends it.
bool ClientConnection::answerCall(CallHandler& handler, QByteArrayView payload,
                                  QByteArray* answer) {
    auto decoded = Message::fromClient(payload);
    if (decoded.ok()) {
        if (decoded.value().type != Message::Type::Call)
            return ended(QStringLiteral("mensagem inesperada depois da apresentação"));
        *answer = handler.handle(decoded.value(), [this](const QByteArray& frame) { send(frame); });
        return true;
    }
    if (decoded.isOverLimit()) {
        const auto header = Message::callHeader(payload);
        if (header.ok()) {
            *answer = handler.refuse(header.value(), decoded.error());
            return true;
        }
    }
    return ended(QStringLiteral("mensagem inválida: %1").arg(decoded.error()));
}

// The module and the database connection belong to this thread and go with it.
void ClientConnection::close() {
    m_module.reset();
    m_database.reset();
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
    m_settings->log->session(m_session, QStringLiteral("conexão encerrada: %1").arg(m_endReason));
}

bool ClientConnection::readFrame(QByteArray* payload, const QDeadlineTimer& deadline) {
    while (!m_reader.next(payload)) {
        if (m_reader.hasError())
            return ended(QStringLiteral("quadro inválido: %1").arg(m_reader.errorString()));
        switch (waitForData(deadline)) {
        case Wait::Data:
            break;
        case Wait::Closed:
            return ended(m_reader.buffered() > 0
                             ? QStringLiteral("cliente desconectou no meio de um quadro "
                                              "(%1 bytes incompletos)")
                                   .arg(m_reader.buffered())
                             : QStringLiteral("cliente desconectou"));
        case Wait::TimedOut:
            return ended(QStringLiteral("tempo de espera por mensagem esgotado"));
        case Wait::Stopped:
            return ended(QStringLiteral("servidor encerrando"));
        }
    }
    return true;
}

// Bytes that arrived come first, so a last message sent together with the close is read.
ClientConnection::Wait ClientConnection::waitForData(const QDeadlineTimer& deadline) {
    for (;;) {
        if (m_socket->bytesAvailable() > 0) {
            m_reader.feed(m_socket->read(kReadChunk));
            return Wait::Data;
        }
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return Wait::Closed;
        if (m_stop)
            return Wait::Stopped;
        if (deadline.hasExpired())
            return Wait::TimedOut;
        m_socket->waitForReadyRead(slice(deadline));
    }
}

bool ClientConnection::send(const QByteArray& frame) {
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    if (m_socket->write(frame) != frame.size())
        return false;
    m_socket->flush();
    return true;
}

bool ClientConnection::drain() {
    const QDeadlineTimer deadline(m_settings->writeTimeoutMs);
    while (pendingBytes() > 0) {
        if (m_socket->state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            return false;
        m_socket->waitForBytesWritten(slice(deadline));
    }
    return true;
}

qint64 ClientConnection::pendingBytes() const {
    qint64 pending = m_socket->bytesToWrite();
    if (auto* ssl = qobject_cast<QSslSocket*>(m_socket.get()))
        pending += ssl->encryptedBytesToWrite();
    return pending;
}

// The refusal is sent, our side shut for writing so the client sees the end at once, and
// the client given a moment to read it and hang up: closing right away with its hello
// still unread would reset the connection and lose the text.
bool ClientConnection::refuse(const QString& text) {
    noteRefusal();
    if (send(Message::helloRefused(text).toFrame()) && drain()) {
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        const QDeadlineTimer deadline(m_settings->closeTimeoutMs);
        while (m_socket->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            m_socket->readAll();
            m_socket->waitForReadyRead(slice(deadline));
        }
    }
    return ended(QStringLiteral("apresentação recusada: %1").arg(text));
}

bool ClientConnection::ended(const QString& reason) {
    if (m_endReason.isEmpty())
        m_endReason = reason;
    return false;
}

int ClientConnection::slice(const QDeadlineTimer& deadline) const {
    const qint64 left = deadline.remainingTime(); // -1: forever
    const int poll = m_settings->pollIntervalMs;
    return left < 0 ? poll : int(qBound(qint64(1), left, qint64(poll)));
}
