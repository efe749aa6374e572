#include "server/TlsKeyCheck.h"

#include <functional>
#include <QEventLoop>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

namespace {

// Hands the accepted descriptor straight to a TLS socket, as the real listener does.
class Listener : public QTcpServer {
public:
    std::function<void(qintptr)> accepted;

protected:
    void incomingConnection(qintptr descriptor) override { accepted(descriptor); }
};

} // namespace

QString TlsKeyCheck::check(const QList<QSslCertificate>& chain, const QSslKey& key, int timeoutMs) {
    Listener listener;
    if (!listener.listen(QHostAddress::LocalHost, 0))
        return QStringLiteral("Não foi possível testar o certificado: %1")
            .arg(listener.errorString());

    QEventLoop loop;
    QSslSocket client;
    QSslSocket server;
    QString failure;
    int encrypted = 0;
    const auto fail = [&](const QString& reason) {
        if (failure.isEmpty())
            failure = reason;
        loop.quit();
    };
    const auto done = [&] {
        if (++encrypted == 2)
            loop.quit();
    };
    listener.accepted = [&](qintptr descriptor) {
        server.setLocalCertificateChain(chain);
        server.setPrivateKey(key);
        if (!server.setSocketDescriptor(descriptor))
            return fail(server.errorString());
        server.startServerEncryption();
    };
    QObject::connect(&server, &QSslSocket::encrypted, &loop, done);
    QObject::connect(&client, &QSslSocket::encrypted, &loop, done);
    QObject::connect(&server, &QAbstractSocket::errorOccurred, &loop,
                     [&] { fail(server.errorString()); });
    QObject::connect(&client, &QAbstractSocket::errorOccurred, &loop,
                     [&] { fail(client.errorString()); });
    // Only the pairing of key and certificate is tested here, not who signed the certificate.
    client.setPeerVerifyMode(QSslSocket::VerifyNone);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), listener.serverPort());
    QTimer::singleShot(timeoutMs, &loop,
                       [&] { fail(QStringLiteral("o aperto de mãos TLS não terminou")); });
    if (encrypted < 2)
        loop.exec();
    if (encrypted == 2)
        return {};
    return QStringLiteral("A chave privada não corresponde ao certificado (%1).").arg(failure);
}
