#pragma once

#include "protocol/FrameReader.h"
#include "protocol/Message.h"

#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// A small application server made of the protocol pieces, on 127.0.0.1 and a free port,
// served by the test's own event loop (the client's local wait loop runs it).
class FakeAppServer : public QTcpServer {
    Q_OBJECT
public:
    class Client {
    public:
        void send(const protocol::Message& message);
        void drop();
        QPointer<QTcpSocket> socket;
        protocol::FrameReader reader;
        bool greeted = false;
        qint64 session = 0;
    };
    using CallHandler = std::function<void(Client&, const protocol::Message&)>;

    FakeAppServer();
    quint16 start(); // returns the port
    void useTls(const QSslCertificate& certificate, const QSslKey& key);

    QString requiredToken;
    QString serverName = QStringLiteral("Zel00100.rdmApuracaoZel");
    CallHandler OnCall;
    QList<protocol::Message> calls;
    QList<protocol::Message> hellos;
    int sessions = 0;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onReadyRead(Client* client);
    void onHello(Client& client, const protocol::Message& hello);

    bool m_tls = false;
    QSslCertificate m_certificate;
    QSslKey m_key;
    std::vector<std::unique_ptr<Client>> m_clients;
};
