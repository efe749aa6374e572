#include "protocol/Message.h"
#include "protocol/ArgKind.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>

using protocol::Message;
using protocol::RemoteValue;

namespace {

QCborMap wire(const Message& m) {
    return QCborValue::fromCbor(m.toCbor()).toMap();
}

QStringList keys(const QCborMap& m) {
    QStringList k;
    for (auto it = m.begin(); it != m.end(); ++it)
        k << it.key().toString();
    k.sort();
    return k;
}

Message viaServer(const Message& m) {
    auto d = Message::fromServer(m.toCbor());
    EXPECT_TRUE(d.ok()) << d.error().toStdString();
    return d.ok() ? d.take() : Message();
}

Message viaClient(const Message& m) {
    auto d = Message::fromClient(m.toCbor());
    EXPECT_TRUE(d.ok()) << d.error().toStdString();
    return d.ok() ? d.take() : Message();
}

} // namespace

TEST(Message, HelloAndItsAnswersHaveTheAgreedShape) {
    const QCborMap hello = wire(Message::hello(QStringLiteral("Zel00100.rdmApuracaoZel")));
    EXPECT_EQ(keys(hello), (QStringList{"hello", "version"})) << "no token unless one is set";
    EXPECT_EQ(hello[QStringLiteral("version")].toInteger(), 1);

    const Message withToken =
        viaClient(Message::hello(QStringLiteral("S"), 1, QStringLiteral("t0k")));
    EXPECT_EQ(withToken.type, Message::Type::Hello);
    EXPECT_EQ(withToken.name, QStringLiteral("S"));
    EXPECT_EQ(withToken.token, QStringLiteral("t0k"));

    EXPECT_EQ(keys(wire(Message::helloOk(7))), (QStringList{"hello", "session", "version"}));
    const Message ok = viaServer(Message::helloOk(7));
    EXPECT_EQ(ok.type, Message::Type::HelloOk);
    EXPECT_EQ(ok.session, 7);

    const QCborMap named = wire(Message::hello(QStringLiteral("S"), 1, {}, QStringLiteral("ana")));
    EXPECT_EQ(keys(named), (QStringList{"hello", "user", "version"})) << "user without token";
    EXPECT_EQ(viaClient(Message::hello(QStringLiteral("S"), 1, QStringLiteral("t"),
                                       QStringLiteral("joão.silva")))
                  .user,
              QStringLiteral("joão.silva"));
    EXPECT_TRUE(viaClient(Message::hello(QStringLiteral("S"))).user.isEmpty());
    EXPECT_FALSE(Message::fromClient(QCborMap{{QStringLiteral("hello"), QStringLiteral("S")},
                                              {QStringLiteral("version"), 1},
                                              {QStringLiteral("user"), 7}}
                                         .toCborValue()
                                         .toCbor())
                     .ok())
        << "a user that is no text";

    const Message refused = viaServer(Message::helloRefused(QStringLiteral("Token inválido.")));
    EXPECT_EQ(refused.type, Message::Type::HelloRefused);
    EXPECT_EQ(refused.text, QStringLiteral("Token inválido."));
    EXPECT_EQ(keys(wire(Message::helloRefused(QStringLiteral("x")))), QStringList{"error"});
}

TEST(Message, CallCarriesPositionalArgumentsOfEveryKind) {
    TChangePacket delta;
    delta.fields = {TFieldDef{QStringLiteral("CDPROGRAMA")}};
    delta.changes.append(
        {TChangePacket::Kind::Insert, std::nullopt, TRow{QStringLiteral("ZELGOL")}});
    const QList<RemoteValue> args{QStringLiteral("_1234_5678"), QDate(2024, 3, 1), RemoteValue(),
                                  RemoteValue(delta)};
    const Message call = Message::call(41, QStringLiteral("CalculaApuracao"), args);
    const QCborMap m = wire(call);
    EXPECT_EQ(keys(m), (QStringList{"args", "call", "id"}));
    EXPECT_EQ(m[QStringLiteral("call")].toString(), QStringLiteral("CalculaApuracao"));
    EXPECT_EQ(m[QStringLiteral("args")][1].tag(), QCborTag(1004));

    const Message back = viaClient(call);
    EXPECT_EQ(back.type, Message::Type::Call);
    EXPECT_EQ(back.id, 41);
    EXPECT_EQ(back.args, args);
}

TEST(Message, ReplyRefsAreKeyedByZeroBasedPosition) {
    const QList<protocol::ArgKind> kinds{protocol::ArgKind::S, protocol::ArgKind::R,
                                         protocol::ArgKind::D, protocol::ArgKind::V};
    const QList<RemoteValue> after{QStringLiteral("a"), QStringLiteral("b2"), QDate(2024, 1, 1), 5};
    const Message reply = Message::reply(3, QList<RemoteValue>{QStringLiteral("12")},
                                         protocol::referenceValues(kinds, after));
    const QCborMap m = wire(reply);
    EXPECT_EQ(keys(m), (QStringList{"id", "refs", "result"}));
    const QCborMap refs = m[QStringLiteral("refs")].toMap();
    EXPECT_EQ(refs.size(), 2);
    EXPECT_EQ(refs[1].toString(), QStringLiteral("b2"));
    EXPECT_EQ(refs[3].toInteger(), 5);

    const Message back = viaServer(reply);
    EXPECT_EQ(back.type, Message::Type::Reply);
    EXPECT_EQ(back.result.toArray().at(0).toString(), QStringLiteral("12"));
    EXPECT_EQ(back.refs.keys(), (QList<int>{1, 3}));
}

TEST(Message, ProgressAndFailureKeepTheirTextsExactly) {
    const QString text = QStringLiteral("¿Apur_Irreg0000000042          *");
    const Message failure = viaServer(Message::failure(9, text));
    EXPECT_EQ(failure.type, Message::Type::Failure);
    EXPECT_EQ(failure.id, 9);
    EXPECT_EQ(failure.text, text);
    EXPECT_EQ(keys(wire(Message::failure(9, text))), (QStringList{"error", "id"}));

    const Message progress =
        viaServer(Message::progress(9, 3, 10, QStringLiteral("Gerando notas")));
    EXPECT_EQ(progress.type, Message::Type::Progress);
    EXPECT_EQ(progress.done, 3);
    EXPECT_EQ(progress.total, 10);
    EXPECT_EQ(progress.text, QStringLiteral("Gerando notas"));
    const QCborMap p =
        wire(Message::progress(9, 3, 10, QStringLiteral("x")))[QStringLiteral("progress")].toMap();
    EXPECT_EQ(keys(p), (QStringList{"done", "text", "total"}));
}

// Another client may order keys differently, use text positions and add keys we do not
// know yet.
TEST(Message, ReadsMessagesWrittenByOtherEncoders) {
    QCborMap m;
    m[QStringLiteral("refs")] = QCborMap{{QStringLiteral("0"), QStringLiteral("v")}};
    m[QStringLiteral("result")] = QCborValue(nullptr);
    m[QStringLiteral("trace")] = QCborArray{1, 2};
    m[QStringLiteral("id")] = 5;
    auto d = Message::fromServer(m.toCborValue().toCbor());
    ASSERT_TRUE(d.ok()) << d.error().toStdString();
    EXPECT_EQ(d.value().refs.value(0), RemoteValue(QStringLiteral("v")));
}

TEST(Message, InvalidMessagesAreRefusedWithAReason) {
    auto serverError = [](const QCborValue& v) {
        auto d = Message::fromServer(v.toCbor());
        return d.ok() ? QString() : d.error();
    };
    EXPECT_FALSE(serverError(QCborArray{1}).isEmpty());
    EXPECT_FALSE(serverError(QCborMap{{QStringLiteral("id"), 1}}).isEmpty())
        << "reply without result";
    EXPECT_FALSE(
        serverError(QCborMap{{QStringLiteral("id"), -1}, {QStringLiteral("result"), 1}}).isEmpty());
    EXPECT_FALSE(serverError(QCborMap{{QStringLiteral("id"), QStringLiteral("1")},
                                      {QStringLiteral("result"), 1}})
                     .isEmpty());
    EXPECT_FALSE(serverError(QCborMap{{QStringLiteral("hello"), QStringLiteral("ok")}}).isEmpty())
        << "answer without session";
    EXPECT_FALSE(serverError(QCborMap{{1, 2}}).isEmpty());
    EXPECT_FALSE(serverError(QCborMap{{QStringLiteral("id"), 1},
                                      {QStringLiteral("result"), 1},
                                      {QStringLiteral("refs"), QCborMap{{-1, 2}}}})
                     .isEmpty());
    // The same key twice is ambiguous: refused rather than guessed.
    const QByteArray twice = QByteArray::fromHex("a3626964016269640266726573756c7401");
    EXPECT_FALSE(Message::fromServer(twice).ok());
    // A call is not something a client receives, a reply not something a server does.
    EXPECT_FALSE(Message::fromServer(Message::call(1, QStringLiteral("X"), {}).toCbor()).ok());
    EXPECT_FALSE(Message::fromClient(Message::reply(1, 1).toCbor()).ok());
}

TEST(Message, ToFrameIsTheLengthPrefixedCbor) {
    const Message m = Message::call(1, QStringLiteral("GetDiretorios"), {QStringLiteral("ZELGOL")});
    const QByteArray frame = m.toFrame();
    EXPECT_EQ(protocol::Frame::readLength(frame.constData()), quint32(frame.size() - 4));
    EXPECT_EQ(frame.mid(4), m.toCbor());
}
