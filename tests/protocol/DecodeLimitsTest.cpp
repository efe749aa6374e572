// What decoding a message may cost, and the shapes a call may not have.
#include "protocol/CborCursor.h"
#include "protocol/FrameReader.h"
#include "protocol/Message.h"
#include "protocol/PacketCodec.h"
#include "protocol/PacketReader.h"

#include <gtest/gtest.h>

#include <QCborMap>
#include <QtEndian>

using protocol::CborCursor;
using protocol::Message;
using protocol::RemoteValue;

namespace {

// A CBOR head with its argument in the widest form, as a hostile writer may send it.
QByteArray head(quint8 major, quint64 arg) {
    QByteArray h(9, '\0');
    h[0] = char((major << 5) | 27);
    qToBigEndian(arg, h.data() + 1);
    return h;
}

QByteArray text(const char* s) {
    const auto n = qsizetype(strlen(s));
    return char(0x60 + n) + QByteArray(s, n);
}

// {"id": 7, "call": NAME, "args": ARGS} with the arguments already encoded.
QByteArray callWithArgs(const QByteArray& args, const char* name = "GetDiretorios") {
    return "\xa3" + text("id") + "\x07" + text("call") + text(name) + text("args") + args;
}

QByteArray dataPacket(int rows, const QByteArray& row, const QByteArray& fields) {
    return "\xa2" + text("fields") + fields + text("rows") + head(4, quint64(rows)) +
           row.repeated(rows);
}

QByteArray field(const char* name, const char* type) {
    return "\xa2" + text("name") + text(name) + text("type") + text(type);
}

protocol::Decoded<Message> fromClient(const QByteArray& bytes) {
    return Message::fromClient(bytes);
}

} // namespace

// Container slots are charged at the declared count before anything is reserved, and
// undeclared ones twice as they come, since their storage grows by doubling.
TEST(DecodeLimits, TheBudgetIsChargedBeforeAnythingIsAllocated) {
    const QByteArray ten = QByteArray::fromHex("8a") + QByteArray(10, '\x00');
    CborCursor::Limits limits;
    limits.budget = 1000;
    CborCursor::Container c;
    CborCursor fits(ten, limits);
    EXPECT_TRUE(fits.beginArray(&c, 100));
    EXPECT_EQ(fits.spent(), 1000u);
    EXPECT_FALSE(fits.charge(1));
    EXPECT_TRUE(fits.overLimit());

    CborCursor over(ten, limits);
    EXPECT_FALSE(over.beginArray(&c, 101));
    EXPECT_TRUE(over.overLimit());
    EXPECT_EQ(over.spent(), 0u);

    const QByteArray open = QByteArray::fromHex("9f") + QByteArray(10, '\x00') + "\xff";
    CborCursor undeclared(open, limits);
    ASSERT_TRUE(undeclared.beginArray(&c, 50));
    int items = 0;
    while (undeclared.hasNext(c)) {
        qint64 v = 0;
        ASSERT_TRUE(undeclared.readInteger(&v));
        ++items;
    }
    EXPECT_EQ(items, 10);
    EXPECT_FALSE(undeclared.failed());
    EXPECT_EQ(undeclared.spent(), 1000u);

    // A malformed input is not a limit: the two are answered differently.
    const QByteArray cut = QByteArray::fromHex("8a00");
    CborCursor truncated(cut, limits);
    EXPECT_FALSE(truncated.beginArray(&c, 1));
    EXPECT_FALSE(truncated.overLimit());
}

TEST(DecodeLimits, CountsAndTextSizesHaveTheirOwnCaps) {
    CborCursor::Limits limits;
    limits.maxItems = 3;
    limits.maxTextBytes = 4;
    CborCursor::Container c;
    const QByteArray four = QByteArray::fromHex("8401020304");
    CborCursor list(four, limits);
    EXPECT_FALSE(list.beginArray(&c));
    EXPECT_TRUE(list.overLimit());
    const QByteArray openFour = QByteArray::fromHex("9f01020304ff");
    CborCursor open(openFour, limits);
    ASSERT_TRUE(open.beginArray(&c));
    int seen = 0;
    while (open.hasNext(c) && open.skipValue())
        ++seen;
    EXPECT_EQ(seen, 3);
    EXPECT_TRUE(open.overLimit()) << open.error().toStdString();

    QString value;
    const QByteArray five = text("abcde");
    CborCursor longText(five, limits);
    EXPECT_FALSE(longText.readText(&value));
    EXPECT_TRUE(longText.overLimit());
    // Chunks of an indefinite text are capped as a whole.
    const QByteArray chunks = QByteArray::fromHex("7f") + text("abc") + text("de") + "\xff";
    CborCursor chunked(chunks, limits);
    EXPECT_FALSE(chunked.readText(&value));
    EXPECT_TRUE(chunked.overLimit());
    const QByteArray fitsChunks = QByteArray::fromHex("7f") + text("ab") + text("cd") + "\xff";
    CborCursor fine(fitsChunks, limits);
    EXPECT_TRUE(fine.readText(&value));
    EXPECT_EQ(value, QStringLiteral("abcd"));
}

// The abusive shapes a client can send, each refused as over the limit, early: what they
// would have cost to decode is many times their size.
TEST(DecodeLimits, ACallHoldsAFewScalarsAndAtMostAChangePacket) {
    const struct {
        const char* what;
        QByteArray args;
    } cases[] = {
        {"a hundred thousand one-byte integers", head(4, 100000) + QByteArray(100000, '\x01')},
        {"a hundred thousand empty texts", head(4, 100000) + QByteArray(100000, '\x60')},
        {"an undeclared list of them", "\x9f" + QByteArray(100000, '\x60') + "\xff"},
        {"65 arguments", head(4, 65) + QByteArray(65, '\x01')},
        {"a list as an argument", "\x81" + head(4, 1000) + QByteArray(1000, '\x01')},
        {"a data packet as an argument",
         "\x81" + dataPacket(1000, "\x81\xf6", "\x81" + field("A", "string"))},
        {"a change packet of ten thousand changes",
         "\x81\xa2" + text("fields") + "\x81" + field("CDPROGRAMA", "string") + text("changes") +
             head(4, 10000) +
             ("\xa3" + text("kind") + text("delete") + text("old") + "\x81\x60" + text("new") +
              "\xf6")
                 .repeated(10000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray call = callWithArgs(c.args);
        const auto decoded = fromClient(call);
        ASSERT_FALSE(decoded.ok());
        EXPECT_TRUE(decoded.isOverLimit()) << decoded.error().toStdString();
        // Enough of it is read to answer it.
        const auto header = Message::callHeader(call);
        ASSERT_TRUE(header.ok()) << header.error().toStdString();
        EXPECT_EQ(header.value().id, 7);
        EXPECT_EQ(header.value().name, QStringLiteral("GetDiretorios"));
    }
    // What a real call holds goes through: the seventeen arguments of a computation with
    // its carrier packet fit easily.
    TChangePacket carriers;
    carriers.fields = {TFieldDef{QStringLiteral("CDPROGRAMA"), TFieldType::ftString, 8},
                       TFieldDef{QStringLiteral("DSDIRETORIO"), TFieldType::ftString, 100}};
    for (int i = 0; i < 50; ++i)
        carriers.changes.append({TChangePacket::Kind::Insert, std::nullopt,
                                 TRow{QStringLiteral("ZELC%1").arg(i), QString(100, u'x')}});
    QList<RemoteValue> args(16, RemoteValue(QStringLiteral("0001")));
    args.append(RemoteValue(carriers));
    EXPECT_TRUE(
        fromClient(Message::call(1, QStringLiteral("CalculaApuracao"), args).toCbor()).ok());
    EXPECT_TRUE(
        fromClient(
            Message::call(1, QStringLiteral("X"), QList<RemoteValue>(64, RemoteValue(1))).toCbor())
            .ok());
}

// Members a call never carries are skipped unread, however they are built.
TEST(DecodeLimits, AServerNeverDecodesWhatOnlyRepliesCarry) {
    const QByteArray bogusPacket = dataPacket(3, "\x81\xf5", "\x81" + field("A", "integer"));
    const QByteArray call = "\xa4" + text("id") + "\x07" + text("call") + text("X") + text("args") +
                            "\x80" + text("result") + bogusPacket;
    const auto decoded = fromClient(call);
    ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
    EXPECT_TRUE(decoded.value().result.isNull());
    EXPECT_FALSE(
        Message::fromServer("\xa2" + text("id") + "\x07" + text("result") + bogusPacket).ok())
        << "a reply's result is decoded";
}

TEST(DecodeLimits, AHelloTokenIsReadWithNothingElseDecoded) {
    const QByteArray hello = "\xa4" + text("hello") + text("S") + text("version") + "\x01" +
                             text("user") + "\x07" + text("token") + text("t0k");
    EXPECT_FALSE(fromClient(hello).ok()) << "a user that is no text";
    const auto token = Message::helloToken(hello);
    ASSERT_TRUE(token.ok()) << token.error().toStdString();
    EXPECT_EQ(token.value(), QStringLiteral("t0k"));
    const auto none = Message::helloToken(Message::hello(QStringLiteral("S")).toCbor());
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value().isEmpty());
    EXPECT_FALSE(Message::helloToken("\xa1" + text("token") + "\x01").ok());
}

// Replies carry real packets: the shapes the server sends, large, fit; rows that would take
// far more than their wire size (a one-column packet of tiny integers) are refused.
TEST(DecodeLimits, RepliesOfTheServersShapesFitTheirBudget) {
    const auto reply = [](const TDataPacket& packet) {
        return Message::reply(1, RemoteValue(packet)).toCbor();
    };
    TDataPacket legs; // the flight legs of a period
    legs.fields = {TFieldDef{QStringLiteral("NRVOO"), TFieldType::ftString, 5},
                   TFieldDef{QStringLiteral("SGBASEORI"), TFieldType::ftString, 5},
                   TFieldDef{QStringLiteral("SGBASEDES"), TFieldType::ftString, 5},
                   TFieldDef{QStringLiteral("IDTIPVOO"), TFieldType::ftString, 1},
                   TFieldDef{QStringLiteral("IDMARCVOO"), TFieldType::ftString, 1},
                   TFieldDef{QStringLiteral("QTDE_SERVICO"), TFieldType::ftInteger}};
    TDataPacket computations; // the narrowest: number and status
    computations.fields = {TFieldDef{QStringLiteral("NRAPURACFAT"), TFieldType::ftString, 10},
                           TFieldDef{QStringLiteral("IDSTATUS"), TFieldType::ftString, 1}};
    for (int i = 0; i < 100000; ++i) {
        legs.rows.push_back({QString::number(1000 + i % 9000), QStringLiteral("GRU"),
                             QStringLiteral("POA"), QStringLiteral("N"), QStringLiteral("N"),
                             qint64(i % 40)});
        computations.rows.push_back(
            {QString::number(i).rightJustified(10, u'0'), QStringLiteral("P")});
    }
    for (const TDataPacket* packet : {&legs, &computations}) {
        const auto decoded = Message::fromServer(reply(*packet));
        ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
        EXPECT_EQ(decoded.value().result.dataPacket().rows.size(), 100000u);
    }
    const QByteArray tiny =
        "\xa2" + text("id") + "\x01" + text("result") +
        dataPacket(500000, QByteArray("\x81\x01", 2), "\x81" + field("N", "integer"));
    const auto refused = Message::fromServer(tiny);
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.isOverLimit()) << refused.error().toStdString();

    // Deep nesting stays refused by depth, not by budget.
    const QByteArray deep =
        "\xa2" + text("id") + "\x01" + text("result") + QByteArray(100, '\x81') + '\x01';
    const auto tooDeep = Message::fromServer(deep);
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_FALSE(tooDeep.isOverLimit());
}

// The cost model, measured: decoding a large packet of codes takes a few times its size.
TEST(DecodeLimits, APacketOfCodesCostsAFewTimesItsSize) {
    TDataPacket packet;
    packet.fields = {TFieldDef{QStringLiteral("A"), TFieldType::ftString, 5},
                     TFieldDef{QStringLiteral("B"), TFieldType::ftString, 5},
                     TFieldDef{QStringLiteral("C"), TFieldType::ftString, 5},
                     TFieldDef{QStringLiteral("D"), TFieldType::ftInteger}};
    for (int i = 0; i < 10000; ++i)
        packet.rows.push_back({QStringLiteral("GRU%1").arg(i % 10), QStringLiteral("POA"),
                               QString(40, u'ç'), qint64(i)});
    const QByteArray bytes = protocol::PacketCodec::encodeDataPacket(packet);
    CborCursor cursor(bytes, CborCursor::Limits());
    TDataPacket back;
    ASSERT_TRUE(protocol::PacketReader(cursor).readDataPacket(&back));
    const double ratio = double(cursor.spent()) / double(bytes.size());
    EXPECT_GT(ratio, 1.0);
    EXPECT_LT(ratio, double(Message::kReplyBudgetFactor));
}
