// What a client can get wrong, and what that costs: only its own connection.
#include "core/Exception.h"
#include "external/appserver/TNetConnection.h"
#include "protocol/Frame.h"
#include "server/BusyRefusal.h"
#include "tests/server-net/ServerHarness.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QDeadlineTimer>
#include <QtEndian>
#include <QThread>

using protocol::Frame;
using protocol::Message;
using protocol::RemoteValue;

namespace {

const QString kServer = QStringLiteral("Zel00100.rdmApuracaoZel");

QByteArray header(quint32 length) {
    QByteArray h(4, '\0');
    qToBigEndian(length, h.data());
    return h;
}

// The refusal text a raw client gets for its first message, or "<accepted>"/"<nothing>".
QString answerTo(quint16 port, const QByteArray& firstFrame) {
    RawClient raw(port);
    raw.sendBytes(firstFrame);
    const auto answer = raw.receive();
    if (!answer)
        return QStringLiteral("<nothing>");
    if (answer->type == Message::Type::HelloOk)
        return QStringLiteral("<accepted>");
    EXPECT_TRUE(raw.waitClosed()) << "a refused client is disconnected";
    return answer->text;
}

bool waitForConnections(ServerHarness& harness, int count) {
    const QDeadlineTimer deadline(3000);
    while (harness.server().connectionCount() != count && !deadline.hasExpired())
        QThread::msleep(10);
    return harness.server().connectionCount() == count;
}

bool connectClient(TNetConnection& connection, quint16 port, const QString& token = {}) {
    connection.setServerName(kServer);
    connection.setHost(QStringLiteral("127.0.0.1"));
    connection.setPort(port);
    connection.setToken(token);
    connection.setThrowException(false);
    connection.setConnectTimeout(5000);
    return connection.connect();
}

} // namespace

TEST(ServerHello, RefusesWrongObjectVersionOrOrder) {
    ServerHarness harness;
    const int calls = TestModule::calls;
    EXPECT_EQ(answerTo(harness.port(), Message::hello(kServer).toFrame()), "<accepted>");
    EXPECT_EQ(answerTo(harness.port(), Message::hello("Zel00100.rdmOutro").toFrame()),
              "Objeto de servidor desconhecido: Zel00100.rdmOutro");
    EXPECT_EQ(answerTo(harness.port(), Message::hello(kServer, 2).toFrame()),
              "Versão do protocolo não suportada: 2 (este servidor usa a 1).");
    EXPECT_EQ(answerTo(harness.port(), Message::call(1, "Count", {}).toFrame()),
              "Apresentação esperada antes de qualquer chamada.");
    EXPECT_EQ(TestModule::calls, calls) << "no call runs before a hello";
}

TEST(ServerHello, TokenIsRequiredWhenTheServerHasOne) {
    ServerHarness harness([](ServerSettings& s) { s.token = AccessToken("s3gredo-ç"); });
    const QString denied = QStringLiteral("Acesso negado: token ausente ou inválido.");
    for (const QString& wrong : {QString(), QStringLiteral("s3gredo"), QStringLiteral("s3gredo-çx"),
                                 QStringLiteral("S3GREDO-Ç")}) {
        TNetConnection client;
        EXPECT_FALSE(connectClient(client, harness.port(), wrong)) << wrong.toStdString();
        EXPECT_EQ(client.lastError(), denied) << wrong.toStdString();
    }
    TNetConnection client;
    ASSERT_TRUE(connectClient(client, harness.port(), QStringLiteral("s3gredo-ç")))
        << client.lastError().toStdString();
    EXPECT_EQ(client.AppServer().call("Count", {}).toInteger(), 0);
}

// The session works for the user the hello names, and the log says who called. An older
// client names nobody and is served all the same; a name longer than the column is cut.
TEST(ServerHello, TheSessionKeepsTheUserTheHelloNames) {
    ServerHarness harness;
    const auto userOf = [&](const QString& user) {
        RawClient raw(harness.port());
        raw.send(Message::hello(kServer, Message::kVersion, {}, user));
        const auto answer = raw.receive();
        EXPECT_TRUE(answer && answer->type == Message::Type::HelloOk);
        raw.send(Message::call(1, "User", {}));
        const auto reply = raw.receive();
        return reply && reply->type == Message::Type::Reply ? reply->result.toString()
                                                            : QStringLiteral("<no reply>");
    };
    EXPECT_EQ(userOf(QStringLiteral("ana.souza")), QStringLiteral("ana.souza"));
    EXPECT_EQ(userOf(QString()), QString());
    EXPECT_EQ(userOf(QString(45, u'x')), QString(30, u'x'));
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("usuário \"ana.souza\" User ")));
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("usuário \"\" User ")));

    // Control characters in a name cannot forge a log line.
    TNetConnection client;
    client.setUser(QStringLiteral("eva\n2024-01-01 sessão 9"));
    ASSERT_TRUE(connectClient(client, harness.port()));
    EXPECT_EQ(client.AppServer().call("User", {}).toString(),
              QStringLiteral("eva\n2024-01-01 sessão 9"));
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("usuário \"eva 2024-01-01 sessão 9\" User ")));
    for (const QString& line : harness.log())
        EXPECT_FALSE(line.contains(u'\n')) << line.toStdString();
}

// Each bad input ends its connection with a logged reason; a client connected before and
// one connecting after keep being served.
TEST(ServerFraming, MalformedInputClosesOnlyItsConnection) {
    ServerHarness harness([](ServerSettings& s) { s.maxFrameSize = 4096; });
    TNetConnection bystander;
    ASSERT_TRUE(connectClient(bystander, harness.port()));

    QCborMap notAMessage;
    notAMessage.insert(QStringLiteral("hello"), 12);
    const struct {
        const char* what;
        bool greetFirst;
        QByteArray bytes;
        const char* logged;
    } cases[] = {
        {"HTTP request", false, "GET / HTTP/1.1\r\nHost: x\r\n\r\n", "excede o limite"},
        {"CBOR garbage", false, Frame::encode(QByteArray("\xff\xfe\x1f\x00\x13", 5)),
         "mensagem inválida"},
        {"CBOR garbage after hello", true, Frame::encode(QByteArray(50, '\xbf')),
         "mensagem inválida"},
        {"wrong shape", false, Frame::encodeValue(notAMessage), "mensagem inválida"},
        {"array instead of map", true,
         Frame::encodeValue(QCborValue(QCborArray::fromStringList({"a", "b"}))),
         "mensagem inválida"},
        {"trailing bytes", true, Frame::encode(Message::call(1, "Count", {}).toCbor() + "x"),
         "mensagem inválida"},
        {"empty frame", true, header(0), "quadro vazio"},
        {"oversized, header only", true, header(4097), "excede o limite"},
        {"oversized, huge", false, header(0xffffffffu) + QByteArray(1000, 'x'), "excede o limite"},
        {"second hello", true, Message::hello(kServer).toFrame(), "mensagem inesperada"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto logged = harness.log().size();
        RawClient raw(harness.port());
        if (c.greetFirst) {
            ASSERT_TRUE(raw.greet());
        }
        raw.sendBytes(c.bytes);
        EXPECT_TRUE(raw.waitClosed(3000));
        EXPECT_TRUE(harness.waitForLog(QStringLiteral("conexão encerrada: "), 3000, logged));
        const QStringList closed =
            harness.log().mid(logged).filter(QStringLiteral("conexão encerrada: "));
        ASSERT_EQ(closed.size(), 1);
        EXPECT_TRUE(closed[0].contains(QString::fromUtf8(c.logged))) << closed[0].toStdString();
        EXPECT_EQ(bystander.AppServer().call("Count", {}).toInteger(), 0);
    }
    TNetConnection newcomer;
    EXPECT_TRUE(connectClient(newcomer, harness.port()));
    EXPECT_TRUE(waitForConnections(harness, 2)) << "every bad connection's thread is gone";
}

TEST(ServerFraming, TruncatedFrameThenHangUpIsLoggedAndForgotten) {
    ServerHarness harness;
    {
        RawClient raw(harness.port());
        ASSERT_TRUE(raw.greet());
        raw.sendBytes(header(100) + QByteArray(10, 'a'));
        QThread::msleep(50);
    }
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("no meio de um quadro (14 bytes incompletos)")));
    EXPECT_TRUE(waitForConnections(harness, 0));
}

TEST(ServerLimits, ClientsBeyondTheLimitAreTurnedAwayUntilASlotFrees) {
    ServerHarness harness([](ServerSettings& s) { s.maxConnections = 2; });
    TNetConnection first, second, third;
    ASSERT_TRUE(connectClient(first, harness.port()));
    ASSERT_TRUE(connectClient(second, harness.port()));
    EXPECT_FALSE(connectClient(third, harness.port()));
    EXPECT_EQ(third.lastError(), BusyRefusal::text());
    EXPECT_EQ(second.AppServer().call("Count", {}).toInteger(), 0) << "the refusal costs no slot";

    first.disconnect();
    const QDeadlineTimer deadline(3000);
    bool admitted = false;
    while (!admitted && !deadline.hasExpired())
        admitted = connectClient(third, harness.port());
    EXPECT_TRUE(admitted) << third.lastError().toStdString();
}

TEST(ServerLimits, SilentConnectionsAreClosedBusyOnesAreNot) {
    ServerHarness harness([](ServerSettings& s) {
        s.idleTimeoutMs = 300;
        s.helloTimeoutMs = 300;
    });
    RawClient mute(harness.port()); // never says hello
    RawClient idle(harness.port());
    ASSERT_TRUE(idle.greet());
    RawClient halfFrame(harness.port());
    ASSERT_TRUE(halfFrame.greet());
    halfFrame.sendBytes(header(20) + "abc");
    RawClient busy(harness.port());
    ASSERT_TRUE(busy.greet());
    for (int i = 0; i < 10; ++i) {
        busy.send(Message::call(i, "Count", {}));
        const auto reply = busy.receive();
        ASSERT_TRUE(reply && reply->type == Message::Type::Reply);
        QThread::msleep(100);
    }
    EXPECT_TRUE(mute.waitClosed(2000));
    EXPECT_TRUE(idle.waitClosed(2000));
    EXPECT_TRUE(halfFrame.waitClosed(2000));
    EXPECT_TRUE(busy.isConnected()) << "a second of steady calls is not idle";
}
