#include "FakeAppServer.h"

#include <QSslSocket>

using protocol::Message;

void FakeAppServer::Client::send(const Message& message) {
    if (socket)
        socket->write(message.toFrame());
}

void FakeAppServer::Client::drop() {
    if (socket)
        socket->abort();
}

FakeAppServer::FakeAppServer() = default;

quint16 FakeAppServer::start() {
    listen(QHostAddress::LocalHost, 0);
    return serverPort();
}

void FakeAppServer::useTls(const QSslCertificate& certificate, const QSslKey& key) {
    m_tls = true;
    m_certificate = certificate;
    m_key = key;
}

void FakeAppServer::incomingConnection(qintptr descriptor) {
    auto client = std::make_unique<Client>();
    QTcpSocket* socket = nullptr;
    if (m_tls) {
        auto* ssl = new QSslSocket(this);
        ssl->setSocketDescriptor(descriptor);
        ssl->setLocalCertificate(m_certificate);
        ssl->setPrivateKey(m_key);
        ssl->startServerEncryption();
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
    }
    client->socket = socket;
    Client* raw = client.get();
    connect(socket, &QTcpSocket::readyRead, this, [this, raw] { onReadyRead(raw); });
    m_clients.push_back(std::move(client));
}

void FakeAppServer::onReadyRead(Client* client) {
    client->reader.feed(client->socket->readAll());
    QByteArray payload;
    while (client->socket && client->reader.next(&payload)) {
        auto decoded = Message::fromClient(payload);
        if (!decoded.ok()) {
            client->drop();
            return;
        }
        const Message message = decoded.take();
        if (message.type == Message::Type::Hello) {
            onHello(*client, message);
        } else if (client->greeted) {
            calls.append(message);
            if (OnCall)
                OnCall(*client, message);
        }
    }
}

void FakeAppServer::onHello(Client& client, const Message& hello) {
    hellos.append(hello);
    QString refusal;
    if (hello.name != serverName)
        refusal = QStringLiteral("Objeto desconhecido: %1").arg(hello.name);
    else if (!requiredToken.isEmpty() && hello.token != requiredToken)
        refusal = QStringLiteral("Acesso negado: token inválido.");
    if (!refusal.isEmpty()) {
        client.send(Message::helloRefused(refusal));
        client.socket->disconnectFromHost();
        return;
    }
    client.greeted = true;
    client.session = ++sessions;
    client.send(Message::helloOk(client.session));
}
