#include "server/BusyRefusal.h"

#include "protocol/Message.h"
#include "server/ServerSettings.h"

#include <QSslSocket>
#include <QTimer>

BusyRefusal::BusyRefusal(qintptr descriptor, const ServerSettings& settings, QObject* parent)
    : QObject(parent) {
    QSslSocket* ssl = settings.usesTls() ? new QSslSocket(this) : nullptr;
    m_socket = ssl ? ssl : new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { m_socket->readAll(); });
    connect(m_socket, &QTcpSocket::disconnected, this, &BusyRefusal::finish);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &BusyRefusal::finish);
    if (!m_socket->setSocketDescriptor(descriptor)) {
        QTimer::singleShot(0, this, &BusyRefusal::finish);
        return;
    }
    const int closeTimeoutMs = settings.closeTimeoutMs;
    QTimer::singleShot(settings.helloTimeoutMs, this, &BusyRefusal::finish);
    if (!ssl) {
        sendRefusal(closeTimeoutMs);
        return;
    }
    ssl->setLocalCertificateChain(settings.certificateChain);
    ssl->setPrivateKey(settings.privateKey);
    ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
    connect(ssl, &QSslSocket::encrypted, this,
            [this, closeTimeoutMs] { sendRefusal(closeTimeoutMs); });
    ssl->startServerEncryption();
}

QString BusyRefusal::text() {
    return QStringLiteral("Servidor ocupado: limite de conexões atingido.");
}

void BusyRefusal::sendRefusal(int closeTimeoutMs) {
    if (m_sent)
        return;
    m_sent = true;
    m_socket->write(protocol::Message::helloRefused(text()).toFrame());
    QTimer::singleShot(closeTimeoutMs, this, &BusyRefusal::finish);
}

void BusyRefusal::finish() {
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket = nullptr;
    deleteLater();
}
