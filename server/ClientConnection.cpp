#include "server/ClientConnection.h"

#include "db/TDatabase.h"
#include "server/CallHandler.h"
#include "server/ServerSettings.h"

#include <QSslSocket>

#include <sys/socket.h>

using protocol::Message;

namespace {
// Bytes taken from the socket at a time: the frame reader sees an oversized length early
// instead of after the whole flood was buffered.
constexpr qint64 kReadChunk = 1024 * 1024;
// CTRLAPURFAT.CDUSUARIO.
constexpr qsizetype kMaxUserLength = 30;
} // namespace

ClientConnection::ClientConnection(qintptr descriptor, qint64 session,
                                   std::shared_ptr<const ServerSettings> settings)
    : m_descriptor(descriptor)
    , m_session(session)
    , m_settings(std::move(settings))
    , m_reader(m_settings->maxFrameSize) {}

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
    Message hello;
    if (!readMessage(&hello, m_helloDeadline))
        return false;
    if (hello.type != Message::Type::Hello)
        return refuse(QStringLiteral("Apresentação esperada antes de qualquer chamada."));
    if (hello.name != m_settings->serverName)
        return refuse(QStringLiteral("Objeto de servidor desconhecido: %1").arg(hello.name));
    if (hello.version != Message::kVersion)
        return refuse(
            QStringLiteral("Versão do protocolo não suportada: %1 (este servidor usa a %2).")
                .arg(hello.version)
                .arg(Message::kVersion));
    if (!m_settings->token.matches(hello.token))
        return refuse(QStringLiteral("Acesso negado: token ausente ou inválido."));
    // Only recorded, never trusted: a longer name is cut to the column's width.
    m_user = hello.user.left(kMaxUserLength);
    if (!openSession())
        return refuse(
            QStringLiteral("O servidor de aplicação não conseguiu abrir o banco de dados."));
    if (!send(Message::helloOk(m_session).toFrame()) || !drain())
        return ended(QStringLiteral("conexão perdida na apresentação"));
    return true;
}

bool ClientConnection::openSession() {
    try {
        m_database = std::make_unique<TDatabase>();
        m_database->open(m_settings->databaseUrl);
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
    const auto sendProgress = [this](const QByteArray& frame) { send(frame); };
    Message message;
    while (!m_stop) {
        if (!readMessage(&message, m_settings->idleTimeoutMs > 0
                                       ? QDeadlineTimer(m_settings->idleTimeoutMs)
                                       : QDeadlineTimer(QDeadlineTimer::Forever)))
            return;
        if (message.type != Message::Type::Call) {
            ended(QStringLiteral("mensagem inesperada depois da apresentação"));
            return;
        }
        if (!send(handler.handle(message, sendProgress)) || !drain()) {
            ended(QStringLiteral("o cliente não recebeu a resposta"));
            return;
        }
    }
    ended(QStringLiteral("servidor encerrando"));
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

bool ClientConnection::readMessage(Message* message, const QDeadlineTimer& deadline) {
    QByteArray payload;
    while (!m_reader.next(&payload)) {
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
    auto decoded = Message::fromClient(payload);
    if (!decoded.ok())
        return ended(QStringLiteral("mensagem inválida: %1").arg(decoded.error()));
    *message = decoded.take();
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
