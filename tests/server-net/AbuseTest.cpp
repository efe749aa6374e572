// Peers that send more than they may: small hellos checked token first, calls bounded in
// size and in what decoding them costs, and addresses that keep being refused slowed down.
#include "protocol/Frame.h"
#include "server/ServerSettings.h"
#include "tests/server-net/ServerHarness.h"

#include <gtest/gtest.h>

#include <QCborMap>
#include <QElapsedTimer>
#include <QtEndian>

using protocol::Frame;
using protocol::Message;
using protocol::RemoteValue;

namespace {

const QString kServer = QStringLiteral("Zel00100.rdmApuracaoZel");
const QString kToken = QStringLiteral("um-token-de-teste-com-mais-de-32-caracteres");
const QString kDenied = QStringLiteral("Acesso negado: token ausente ou inválido.");

QByteArray header(quint32 length) {
    QByteArray h(4, '\0');
    qToBigEndian(length, h.data());
    return h;
}

QByteArray text(const char* s) {
    const auto n = qsizetype(strlen(s));
    return char(0x60 + n) + QByteArray(s, n);
}

// A call of Echo whose argument list declares and holds `count` one-byte integers.
QByteArray echoOfIntegers(quint32 count) {
    QByteArray args(5, '\x9a');
    qToBigEndian(count, args.data() + 1);
    return Frame::encode("\xa3" + text("id") + "\x09" + text("call") + text("Echo") + text("args") +
                         args + QByteArray(qsizetype(count), '\x01'));
}

QByteArray helloWith(const QCborMap& extra, const QString& token) {
    QCborMap hello{{QStringLiteral("hello"), kServer}, {QStringLiteral("version"), 1}};
    if (!token.isEmpty())
        hello.insert(QStringLiteral("token"), token);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        hello.insert(it.key(), it.value());
    return Frame::encodeValue(hello);
}

// The time until a hello from `from` is answered, and whether it was accepted.
qint64 timedHello(quint16 port, const QHostAddress& from, const QString& token, bool* accepted) {
    RawClient raw(port, from);
    QElapsedTimer timer;
    timer.start();
    *accepted = raw.greet(token);
    return timer.elapsed();
}

} // namespace

// The call is answered as invalid, the session goes on, and the log says why.
TEST(ServerAbuse, ACallHoldingMoreThanACallMayIsRefusedAndTheSessionGoesOn) {
    ServerHarness harness;
    const int calls = TestModule::calls;
    RawClient raw(harness.port());
    ASSERT_TRUE(raw.greet());
    raw.sendBytes(echoOfIntegers(500000));
    const auto answer = raw.receive();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->type, Message::Type::Failure);
    EXPECT_EQ(answer->id, 9);
    EXPECT_EQ(answer->text, QStringLiteral("Chamada inválida: Echo"));
    EXPECT_EQ(TestModule::calls, calls) << "nothing reached the module";
    raw.send(Message::call(10, QStringLiteral("Count"), {}));
    const auto next = raw.receive();
    ASSERT_TRUE(next && next->type == Message::Type::Reply);
    EXPECT_EQ(next->result.toInteger(), 0);
    EXPECT_TRUE(harness.waitForLog(
        QStringLiteral("falha: Chamada inválida: Echo (lista ou mapa de 500000 itens")));
}

// What a client sends is held to a small frame; what it receives is not.
TEST(ServerAbuse, CallsAreLimitedToAMegabyteRepliesAreNot) {
    ServerHarness harness;
    const qsizetype limit = ServerSettings::kDefaultMaxCallSize;
    {
        RawClient raw(harness.port());
        ASSERT_TRUE(raw.greet());
        raw.send(Message::call(1, QStringLiteral("Big"), {QStringLiteral("3000000")}));
        const auto reply = raw.receive();
        ASSERT_TRUE(reply && reply->type == Message::Type::Reply);
        EXPECT_EQ(reply->result.toString().size(), 3000000);
        // A text argument as large as the limit allows is still a call.
        raw.send(Message::call(2, QStringLiteral("Fail"), {QString(limit - 100, u'f')}));
        const auto failure = raw.receive();
        ASSERT_TRUE(failure && failure->type == Message::Type::Failure);
        EXPECT_EQ(failure->text.size(), limit - 100);
    }
    const auto logged = harness.log().size();
    RawClient raw(harness.port());
    ASSERT_TRUE(raw.greet());
    raw.sendBytes(header(quint32(limit + 1)));
    EXPECT_TRUE(raw.waitClosed(3000));
    EXPECT_TRUE(
        harness.waitForLog(QStringLiteral("excede o limite de %1 bytes").arg(limit), 3000, logged));
}

TEST(ServerAbuse, AHelloIsSmallAndItsTokenIsCheckedBeforeAnythingElse) {
    ServerHarness harness([](ServerSettings& s) { s.token = AccessToken(kToken); });
    {
        RawClient raw(harness.port());
        raw.sendBytes(header(quint32(ServerSettings::kMaxHelloSize + 1)));
        EXPECT_TRUE(raw.waitClosed(3000));
        EXPECT_TRUE(harness.waitForLog(QStringLiteral("excede o limite de 65536 bytes")));
    }
    // A member that the whole hello would refuse is never read without the token...
    const QCborMap badUser{{QStringLiteral("user"), 7}};
    RawClient wrong(harness.port());
    wrong.sendBytes(helloWith(badUser, QStringLiteral("errado")));
    const auto refused = wrong.receive();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->text, kDenied);
    // ... and with it, it is.
    const auto logged = harness.log().size();
    RawClient right(harness.port());
    right.sendBytes(helloWith(badUser, kToken));
    EXPECT_TRUE(right.waitClosed(3000));
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("mensagem inválida"), 3000, logged));
}

// After its free refusals an address waits before its hello is answered, right token or
// not; another address is answered at once.
TEST(ServerAbuse, AnAddressThatKeepsBeingRefusedIsSlowedAndNoOtherIs) {
    HelloThrottle::Policy policy;
    policy.freeRefusals = 3;
    policy.firstDelayMs = 400;
    policy.maxDelayMs = 400;
    ServerHarness harness([&](ServerSettings& s) {
        s.token = AccessToken(kToken);
        s.helloThrottle = std::make_shared<HelloThrottle>(policy, HelloThrottle::Clock());
    });
    const QHostAddress attacker(QStringLiteral("127.0.0.1"));
    const QHostAddress other(QStringLiteral("127.0.0.2"));
    bool accepted = true;
    for (int i = 0; i < 3; ++i) {
        EXPECT_LT(timedHello(harness.port(), attacker, QStringLiteral("palpite"), &accepted), 300)
            << "refusal " << i << " is free";
        EXPECT_FALSE(accepted);
    }
    EXPECT_TRUE(harness.waitForLog(
        QStringLiteral("3 apresentações recusadas de 127.0.0.1: as próximas aguardam 400 ms")));
    EXPECT_GE(timedHello(harness.port(), attacker, kToken, &accepted), 400);
    EXPECT_TRUE(accepted) << "slowed, not locked out";
    EXPECT_LT(timedHello(harness.port(), other, kToken, &accepted), 300);
    EXPECT_TRUE(accepted);
    EXPECT_LT(timedHello(harness.port(), other, QStringLiteral("palpite"), &accepted), 300);
    EXPECT_FALSE(accepted);
}
