// TLS on the server side, with a certificate made for the run.
#include "external/appserver/TNetConnection.h"
#include "server/BusyRefusal.h"
#include "server/ServeOptions.h"
#include "tests/server-net/ServerHarness.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

class ServerTls : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QSslSocket::supportsSsl())
            GTEST_SKIP() << "Qt sem suporte a TLS nesta máquina";
        if (QStandardPaths::findExecutable("openssl").isEmpty())
            GTEST_SKIP() << "openssl não instalado: sem certificado para o teste";
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                                  "-subj", "/CN=127.0.0.1", "-keyout", dir.filePath("key.pem"),
                                  "-out", dir.filePath("cert.pem")});
        ASSERT_TRUE(openssl.waitForFinished(60000));
        ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
        // The files go through the same loading as the command line's.
        const QString problem = ServeOptions::parse(
            {"--db", "sqlite:x.db", "--listen", "0.0.0.0:0", "--tls-cert", dir.filePath("cert.pem"),
             "--tls-key", dir.filePath("key.pem"), "--token-file", writeToken()},
            &options);
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }

    QString writeToken() {
        QFile file(dir.filePath("token"));
        file.open(QIODevice::WriteOnly);
        file.write("  ficha-de-teste-com-trinta-e-dois-caracteres  \nresto ignorado\n");
        return file.fileName();
    }

    ServerHarness::Adjust tls(int maxConnections = 64) const {
        return [this, maxConnections](ServerSettings& s) {
            s.certificateChain = options.certificateChain;
            s.privateKey = options.privateKey;
            s.token = options.token;
            s.maxConnections = maxConnections;
        };
    }

    bool connectClient(TNetConnection& client, quint16 port, const QString& host) {
        client.setServerName("Zel00100.rdmApuracaoZel");
        client.setHost(host);
        client.setPort(port);
        client.setToken("ficha-de-teste-com-trinta-e-dois-caracteres");
        client.setCaCertificates(options.certificateChain);
        client.setThrowException(false);
        client.setConnectTimeout(5000);
        return client.connect();
    }

    QTemporaryDir dir;
    ServeOptions options;
};

} // namespace

TEST_F(ServerTls, TlsClientIsServedPlainClientIsNot) {
    ServerHarness harness(tls());
    TNetConnection secure;
    ASSERT_TRUE(connectClient(secure, harness.port(), "tls://127.0.0.1"))
        << secure.lastError().toStdString();
    EXPECT_EQ(secure.AppServer().call("Count", {}).toInteger(), 0);

    TNetConnection plain;
    EXPECT_FALSE(connectClient(plain, harness.port(), "127.0.0.1"));
    EXPECT_TRUE(harness.waitForLog("falha na negociação TLS"));
    EXPECT_EQ(secure.AppServer().call("Count", {}).toInteger(), 0) << "the TLS client goes on";
}

TEST_F(ServerTls, BusyRefusalIsReadableOverTls) {
    ServerHarness harness(tls(1));
    TNetConnection first, second;
    ASSERT_TRUE(connectClient(first, harness.port(), "tls://127.0.0.1"));
    EXPECT_FALSE(connectClient(second, harness.port(), "tls://127.0.0.1"));
    EXPECT_EQ(second.lastError(), BusyRefusal::text());
}

// A key of another pair is refused at start, naming the key file; every client's handshake
// would otherwise hang.
TEST_F(ServerTls, AKeyThatDoesNotMatchItsCertificateIsRefusedAtStart) {
    QProcess openssl;
    openssl.start("openssl", {"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                              "-out", dir.filePath("other.pem")});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    ServeOptions mixed;
    const QString problem =
        ServeOptions::parse({"--db", "sqlite:x.db", "--tls-cert", dir.filePath("cert.pem"),
                             "--tls-key", dir.filePath("other.pem")},
                            &mixed);
    EXPECT_TRUE(
        problem.startsWith(dir.filePath("other.pem") +
                           QStringLiteral(": A chave privada não corresponde ao certificado")))
        << problem.toStdString();
}
