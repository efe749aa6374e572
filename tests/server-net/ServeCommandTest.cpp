// The "serve" command: its arguments, and a real process started, used and stopped.
#include "core/Exception.h"
#include "external/appserver/TNetConnection.h"
#include "server/ServeOptions.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace {

struct Outcome {
    int exitCode = -1;
    QString err;
};

Outcome runAppServer(const QStringList& args) {
    QProcess process;
    process.start(ZEL_APPSERVER_PATH, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(ServeOptions, ListenAddresses) {
    QHostAddress address;
    quint16 port = 0;
    ASSERT_TRUE(ServeOptions::parseListen("127.0.0.1:0", &address, &port));
    EXPECT_EQ(address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(port, 0);
    ASSERT_TRUE(ServeOptions::parseListen("[::1]:7300", &address, &port));
    EXPECT_EQ(address, QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_EQ(port, 7300);
    ASSERT_TRUE(ServeOptions::parseListen("localhost", &address, &port));
    EXPECT_EQ(port, ServeOptions::kDefaultPort);
    for (const char* bad :
         {"127.0.0.1:", "127.0.0.1:70000", "127.0.0.1:x", "servidor:7210", "[::1", "::1:7210:", ""})
        EXPECT_FALSE(ServeOptions::parseListen(bad, &address, &port)) << bad;
}

TEST(ServeCommand, BadArgumentsExitWithCodeTwoAndSayWhy) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"serve"}, "Informe o banco de dados com --db URL."},
        {{"serve", "--db"}, "--db exige um valor."},
        {{"serve", "--db", "mysql://x"}, ""},
        {{"serve", "--db", "sqlite:x.db", "--porta", "1"}, "Opção desconhecida: --porta"},
        {{"serve", "--db", "sqlite:x.db", "--max-connections", "0"}, "--max-connections exige"},
        {{"serve", "--db", "sqlite:x.db", "--max-frame", "10"}, "--max-frame exige"},
        {{"serve", "--db", "sqlite:x.db", "--listen", "meuservidor:7210"}, "Endereço inválido"},
        {{"serve", "--db", "sqlite:x.db", "--tls-cert", "c.pem"}, "--tls-cert e --tls-key juntos"},
        {{"serve", "--db", "sqlite:x.db", "--token-file", "/nao/existe"}, "token"},
        {{"serve", "--db", "sqlite:x.db", "--export-dir", "/nao/existe"},
         "O diretório de exportação /nao/existe não existe ou não aceita escrita."},
        // Beyond loopback: TLS and a token, or no start at all.
        {{"serve", "--db", "sqlite:x.db", "--listen", "0.0.0.0:0"},
         "Recusado: para ouvir em 0.0.0.0"},
        {{"serve", "--db", "sqlite:x.db", "--listen", "[::]:7210"}, "Recusado"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome outcome = runAppServer(c.args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(c.says))) << outcome.err.toStdString();
        EXPECT_FALSE(outcome.err.contains("Servidor ouvindo")) << outcome.err.toStdString();
    }
}

TEST(ServeCommand, ExposedAddressNeedsBothTlsAndToken) {
    QTemporaryDir dir;
    QFile token(dir.filePath("token"));
    ASSERT_TRUE(token.open(QIODevice::WriteOnly));
    token.write("ficha-de-acesso-longa-o-bastante-0001\n");
    token.close();
    const Outcome outcome = runAppServer({"serve", "--db", "sqlite:x.db", "--listen", "0.0.0.0:0",
                                          "--token-file", token.fileName()});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.contains("--tls-cert, --tls-key e --token-file"))
        << outcome.err.toStdString();
}

TEST(ServeCommand, ShortTokensAreRefusedAtStart) {
    QTemporaryDir dir;
    QFile token(dir.filePath("token"));
    ASSERT_TRUE(token.open(QIODevice::WriteOnly));
    token.write("  trinta-e-um-caracteres-nao-bast \n"); // 31 once the blanks go
    token.close();
    const Outcome outcome =
        runAppServer({"serve", "--db", "sqlite:x.db", "--token-file", token.fileName()});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(
        outcome.err.contains(QStringLiteral("tem 31 caracteres; são necessários pelo menos 32")))
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains("Servidor ouvindo")) << outcome.err.toStdString();
}

// Start on a free port, serve a real method of the data module, stop on SIGTERM.
TEST(ServeCommand, ServesUntilTerminated) {
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath("served.db");
    ASSERT_EQ(runAppServer({"init-db", url, "--fixture", "basic"}).exitCode, 0);
    EXPECT_EQ(runAppServer({"serve", "--db", "sqlite:" + dir.filePath("nenhum.db")}).exitCode, 1)
        << "a missing database stops the start";

    QProcess server;
    server.setReadChannel(QProcess::StandardError);
    server.start(ZEL_APPSERVER_PATH, {"serve", "--db", url, "--listen", "127.0.0.1:0"});
    QString err;
    const QRegularExpression started(
        QStringLiteral("Servidor ouvindo em 127\\.0\\.0\\.1:(\\d+)\n"));
    QRegularExpressionMatch match;
    const QDeadlineTimer deadline(15000);
    while (!(match = started.match(err)).hasMatch() && !deadline.hasExpired() &&
           server.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
        err += QString::fromUtf8(server.readAllStandardError());
    ASSERT_TRUE(match.hasMatch()) << err.toStdString();
    const int port = match.captured(1).toInt();
    ASSERT_GT(port, 0);

    {
        TNetConnection client;
        client.setServerName("Zel00100.rdmApuracaoZel");
        client.setHost("127.0.0.1");
        client.setPort(port);
        try {
            const protocol::RemoteValue result =
                client.AppServer().call("GetDiretorios", {TRemoteArg::S("SEMLINHA")});
            EXPECT_EQ(result.type(), protocol::RemoteValue::Type::DataPacket);
        } catch (const Exception& e) {
            ADD_FAILURE() << e.message().toStdString();
        }
    }
    ::kill(pid_t(server.processId()), SIGTERM);
    ASSERT_TRUE(server.waitForFinished(10000));
    EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.exitCode(), 0);
    err += QString::fromUtf8(server.readAllStandardError());
    EXPECT_TRUE(err.contains(QRegularExpression(" GetDiretorios \\d+ ms ok"))) << err.toStdString();
    EXPECT_FALSE(err.contains("SEMLINHA")) << "argument values stay out of the log";
}
