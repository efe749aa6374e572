#include "protocol/CborCursor.h"
#include "protocol/PacketCodec.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>

using protocol::CborCursor;

namespace {

// What readScalar handed over, as text: "int:-1", "text:abc", "real:1.5", "null", ...
struct Recorder {
    QString got;
    bool ascii = false;

    void null() { got = QStringLiteral("null"); }
    void integer(qint64 v) { got = QStringLiteral("int:%1").arg(v); }
    void real(double v) { got = QStringLiteral("real:") + QString::number(v, 'g', 17); }
    void text(const CborCursor::TextView& t) {
        ascii = t.isAscii();
        got = QStringLiteral("text:") + t.toString();
    }
    void date(const QDate& d) { got = QStringLiteral("date:") + d.toString(Qt::ISODate); }
    void dateTime(const QDateTime& dt) { got = QStringLiteral("datetime:") + dt.toString(); }
};

// The scalar in `hex`, or the error that refused it; the whole input must be consumed.
QString scalar(const QByteArray& bytes, bool* ascii = nullptr) {
    CborCursor cursor(bytes);
    Recorder r;
    if (!cursor.readScalar(r) || !cursor.expectEnd())
        return QStringLiteral("error:") + cursor.error();
    if (ascii)
        *ascii = r.ascii;
    return r.got;
}

bool skips(const QByteArray& bytes) {
    CborCursor cursor(bytes);
    return cursor.skipValue() && cursor.expectEnd();
}

QString scalarHex(const char* hex) {
    return scalar(QByteArray::fromHex(hex));
}

QByteArray textItem(const QByteArray& utf8) {
    // A definite text head by hand, so that invalid UTF-8 can be sent.
    QByteArray head;
    if (utf8.size() < 24)
        head.append(char(0x60 + utf8.size()));
    else
        head.append(char(0x78)).append(char(utf8.size()));
    return head + utf8;
}

} // namespace

TEST(CborCursor, IntegersOfEveryWidthAndTheEdgesOfSixtyFourBits) {
    EXPECT_EQ(scalarHex("17"), QStringLiteral("int:23"));
    EXPECT_EQ(scalarHex("1818"), QStringLiteral("int:24"));
    EXPECT_EQ(scalarHex("190100"), QStringLiteral("int:256"));
    EXPECT_EQ(scalarHex("1a00010000"), QStringLiteral("int:65536"));
    EXPECT_EQ(scalarHex("1b0000000100000000"), QStringLiteral("int:4294967296"));
    EXPECT_EQ(scalarHex("20"), QStringLiteral("int:-1"));
    EXPECT_EQ(scalarHex("3903e7"), QStringLiteral("int:-1000"));
    EXPECT_EQ(scalarHex("1b7fffffffffffffff"), QStringLiteral("int:9223372036854775807"));
    EXPECT_EQ(scalarHex("3b7fffffffffffffff"), QStringLiteral("int:-9223372036854775808"));
    // One past either end of qint64.
    EXPECT_EQ(scalarHex("1b8000000000000000"), QStringLiteral("error:inteiro fora do intervalo"));
    EXPECT_EQ(scalarHex("3b8000000000000000"), QStringLiteral("error:inteiro fora do intervalo"));

    const QByteArray tooBig = QByteArray::fromHex("1b8000000000000000");
    CborCursor cursor(tooBig);
    qint64 value = 0;
    EXPECT_FALSE(cursor.readInteger(&value));
    EXPECT_EQ(cursor.error(), QStringLiteral("inteiro fora do intervalo"));
}

TEST(CborCursor, FloatsOfEveryWidthAndWhatIsNotAScalar) {
    EXPECT_EQ(scalarHex("f93e00"), QStringLiteral("real:1.5"));                    // half
    EXPECT_EQ(scalarHex("f90001"), QStringLiteral("real:5.9604644775390625e-08")); // smallest half
    EXPECT_EQ(scalarHex("f9c400"), QStringLiteral("real:-4"));
    EXPECT_EQ(scalarHex("fa47c35000"), QStringLiteral("real:100000")); // single
    EXPECT_EQ(scalarHex("fb3ff8000000000000"), QStringLiteral("real:1.5"));
    EXPECT_EQ(scalarHex("f6"), QStringLiteral("null"));
    EXPECT_EQ(scalarHex("f7"), QStringLiteral("null")); // undefined
    EXPECT_EQ(scalarHex("f97c00"), QStringLiteral("error:número não finito"));
    EXPECT_EQ(scalarHex("fa7fc00000"), QStringLiteral("error:número não finito"));
    EXPECT_EQ(scalarHex("fbfff0000000000000"), QStringLiteral("error:número não finito"));
    EXPECT_EQ(scalarHex("f4"), QStringLiteral("error:valor lógico ou simples não suportado"));
    EXPECT_EQ(scalarHex("ff"), QStringLiteral("error:fim de lista inesperado"));
    EXPECT_EQ(scalarHex("8101"), QStringLiteral("error:tipo CBOR não suportado aqui"));
    // Reserved initial bytes, and an integer of indefinite length.
    EXPECT_EQ(scalarHex("1c"), QStringLiteral("error:CBOR inválido: byte inicial 0x1c"));
    EXPECT_EQ(scalarHex("1f"), QStringLiteral("error:CBOR inválido: byte inicial 0x1f"));
    EXPECT_EQ(scalarHex("d903ec6a323032342d30322d3239"), QStringLiteral("date:2024-02-29"));
}

TEST(CborCursor, TextsAreValidatedUtf8WhereverTheFirstNonAsciiByteLies) {
    const QByteArray bad[] = {
        "\xc3",             // cut after the lead byte
        "\xc0\x80",         // overlong NUL
        "\xed\xa0\x80",     // UTF-16 surrogate
        "\xf4\x90\x80\x80", // beyond U+10FFFF
        "\x80",             // lone continuation
        "\xf8\x88\x80\x80\x80",
    };
    // A text's ASCII check reads eight bytes at a time and, when the input goes on, a
    // short tail as a whole word: the bad byte must be found at every offset, at the end
    // of the input and before more of it.
    for (const QByteArray& seq : bad) {
        for (int at = 0; at <= 17; ++at) {
            const QByteArray text = QByteArray(at, 'a') + seq;
            for (const QByteArray& after : {QByteArray(), QByteArray(12, '\0')}) {
                const QByteArray bytes = textItem(text) + after;
                CborCursor cursor(bytes);
                Recorder r;
                EXPECT_FALSE(cursor.readScalar(r)) << seq.toHex().constData() << " at " << at;
                EXPECT_EQ(cursor.error(), QStringLiteral("texto com UTF-8 inválido"));
            }
        }
    }
    bool ascii = true;
    EXPECT_EQ(scalar(textItem("ABCDEFGHIJKLMN\xc3\x83"), &ascii),
              QStringLiteral("text:ABCDEFGHIJKLMN") + QChar(0xc3));
    EXPECT_FALSE(ascii) << "Latin-1 must not pass as ASCII";
    EXPECT_EQ(scalar(textItem("\xf0\x9f\x98\x80")),
              QStringLiteral("text:") + QChar(0xd83d) + QChar(0xde00)); // four bytes
    EXPECT_EQ(scalar(textItem("\xef\xbb\xbf"
                              "a")),
              QStringLiteral("text:") + QChar(0xfeff) + 'a')
        << "a leading byte-order mark is kept as sent";
    // The next item's bytes are not part of the text.
    const QByteArray followed = textItem("abc") + QByteArray::fromHex("f6ffffffffffffff");
    CborCursor cursor(followed);
    Recorder r;
    ASSERT_TRUE(cursor.readScalar(r));
    EXPECT_TRUE(r.ascii);
    EXPECT_EQ(r.got, QStringLiteral("text:abc"));
}

TEST(CborCursor, ChunkedTextsAreJoinedBeforeTheyAreDecoded) {
    // "ã" split across two chunks is valid once joined.
    EXPECT_EQ(scalarHex("7f6261c362a362ff"), QStringLiteral("text:a") + QChar(0xe3) + "b");
    EXPECT_EQ(scalarHex("7fff"), QStringLiteral("text:"));
    EXPECT_EQ(scalarHex("7f4161ff"), QStringLiteral("error:pedaço de texto inválido"));
    EXPECT_EQ(scalarHex("7f7f6161ffff"), QStringLiteral("error:pedaço de texto inválido"));
    EXPECT_EQ(scalarHex("7f6161"), QStringLiteral("error:dados truncados"));
    EXPECT_EQ(scalarHex("7f6561"), QStringLiteral("error:dados truncados"));
}

// Each item cut short at every byte is refused as truncated, and no prefix is mistaken
// for a whole item.
TEST(CborCursor, EveryItemCutShortAtAnyByteIsTruncated) {
    const char* items[] = {
        "1818",
        "190100",
        "1a00010000",
        "1b0000000100000000",
        "3b7fffffffffffffff",
        "f93e00",
        "fa47c35000",
        "fb3ff8000000000000",
        "6461626364",
        "781a"
        "6162636465666768696a6b6c6d6e6f707172737475767778797a",
        "7f626162626364ff",
    };
    for (const char* hex : items) {
        const QByteArray whole = QByteArray::fromHex(hex);
        ASSERT_FALSE(scalar(whole).startsWith(u"error:")) << hex;
        EXPECT_TRUE(skips(whole)) << hex;
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const QString got = scalar(whole.left(n));
            EXPECT_TRUE(got.startsWith(u"error:dados truncados"))
                << hex << " " << n << " " << got.toStdString();
            const QByteArray part = whole.left(n);
            CborCursor cursor(part);
            EXPECT_FALSE(cursor.skipValue()) << hex << " " << n;
            EXPECT_LE(cursor.errorOffset(), n);
        }
    }
    for (const char* hex : {"83010203", "a2616101616202", "9f0102ff", "bf616101ff"}) {
        const QByteArray whole = QByteArray::fromHex(hex);
        EXPECT_TRUE(skips(whole)) << hex;
        for (qsizetype n = 0; n < whole.size(); ++n)
            EXPECT_FALSE(skips(whole.left(n))) << hex << " " << n;
    }
}

// A length is a claim: it is checked against the bytes there before anything is read or
// reserved for it.
TEST(CborCursor, DeclaredLengthsBeyondTheBytesAreRefusedBeforeAnythingIsReserved) {
    EXPECT_EQ(scalarHex("7b7fffffffffffffff61"),
              QStringLiteral("error:dados truncados: texto de 9223372036854775807 bytes"));
    EXPECT_EQ(scalarHex("7bffffffffffffffff61"),
              QStringLiteral("error:dados truncados: texto de 18446744073709551615 bytes"));

    CborCursor::Container c;
    const QByteArray hugeList = QByteArray::fromHex("9b000000ffffffffff0102");
    CborCursor list(hugeList);
    EXPECT_FALSE(list.beginArray(&c));
    EXPECT_EQ(list.error(), QStringLiteral("lista de 1099511627775 itens em 2 bytes"));
    // A map of n pairs needs at least 2n bytes.
    const QByteArray threePairs = QByteArray::fromHex("a3010203040506");
    CborCursor map(threePairs);
    EXPECT_TRUE(map.beginMap(&c));
    const QByteArray shortOfThree = QByteArray::fromHex("a30102030405");
    CborCursor shortMap(shortOfThree);
    EXPECT_FALSE(shortMap.beginMap(&c));
    EXPECT_EQ(shortMap.error(), QStringLiteral("mapa de 3 pares em 5 bytes"));
    EXPECT_FALSE(skips(QByteArray::fromHex("9bffffffffffffffff00")));
    EXPECT_FALSE(skips(QByteArray::fromHex("5bffffffffffffffff00")));

    // What is made room for is bounded by the bytes left, at the least each item takes.
    const QByteArray thousand = QByteArray::fromHex("9903e8") + QByteArray(1000, char(0x80));
    CborCursor rows(thousand);
    ASSERT_TRUE(rows.beginArray(&c));
    EXPECT_EQ(rows.reserveHint(c, 1, 1 << 20), 1000);
    EXPECT_EQ(rows.reserveHint(c, 7, 1 << 20), 142);
    EXPECT_EQ(rows.reserveHint(c, 1, 256), 256);
    const QByteArray indefinite = QByteArray::fromHex("9f80ff");
    CborCursor open(indefinite);
    ASSERT_TRUE(open.beginArray(&c));
    EXPECT_EQ(open.reserveHint(c, 1, 256), 0) << "an indefinite list claims nothing";
}

// Recursion is bounded over the whole input: a member skipped inside a nested value
// counts the levels around it.
TEST(CborCursor, NestingIsBoundedAcrossValuesAndSkippedMembers) {
    const int limit = CborCursor::kMaxDepth;
    EXPECT_TRUE(skips(QByteArray(limit, char(0x81)) + char(0x01)));
    const QByteArray tooDeepList = QByteArray(limit + 1, char(0x81)) + char(0x01);
    CborCursor deep(tooDeepList);
    EXPECT_FALSE(deep.skipValue());
    EXPECT_EQ(deep.error(), QStringLiteral("aninhamento profundo demais"));
    EXPECT_FALSE(
        skips(QByteArray(limit + 1, char(0x9f)) + char(0x01) + QByteArray(limit + 1, char(0xff))));
    EXPECT_FALSE(skips(QByteArray(limit + 1, char(0xc1)) + char(0x01))) << "tags nest too";

    // A packet inside `depth` nested lists, with an unknown member nested `extra` deep.
    auto packetInLists = [](int depth, int extra) {
        QByteArray unknown = QByteArray(extra, char(0x81)) + char(0x01);
        QByteArray packet = QByteArray::fromHex("a3") + QCborValue(QStringLiteral("x")).toCbor() +
                            unknown + QCborValue(QStringLiteral("fields")).toCbor() +
                            QByteArray::fromHex("80") +
                            QCborValue(QStringLiteral("rows")).toCbor() + QByteArray::fromHex("80");
        return QByteArray(depth, char(0x81)) + packet;
    };
    EXPECT_TRUE(protocol::PacketCodec::decode(packetInLists(0, limit)).ok());
    EXPECT_TRUE(protocol::PacketCodec::decode(packetInLists(limit - 4, 4)).ok());
    auto tooDeep = protocol::PacketCodec::decode(packetInLists(limit - 4, 5));
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_EQ(tooDeep.error(), QStringLiteral("aninhamento profundo demais"));
}

TEST(CborCursor, TheFirstProblemIsTheOneReportedWithItsOffset) {
    const QByteArray list =
        QByteArray::fromHex("8201") + textItem("\xff") + QByteArray::fromHex("01");
    CborCursor cursor(list);
    CborCursor::Container c;
    ASSERT_TRUE(cursor.beginArray(&c));
    Recorder r;
    ASSERT_TRUE(cursor.hasNext(c) && cursor.readScalar(r));
    ASSERT_TRUE(cursor.hasNext(c));
    EXPECT_FALSE(cursor.readScalar(r));
    EXPECT_EQ(cursor.errorOffset(), 4) << "after the bad text, where it was noticed";
    EXPECT_FALSE(cursor.fail(QStringLiteral("depois")));
    cursor.prefixError(QStringLiteral("linha 0, coluna 1: "));
    EXPECT_EQ(cursor.error(), QStringLiteral("linha 0, coluna 1: texto com UTF-8 inválido"));
    EXPECT_FALSE(cursor.hasNext(c)) << "nothing more is read after a problem";
    EXPECT_FALSE(cursor.expectEnd());

    const QByteArray two = QByteArray::fromHex("0102");
    CborCursor trailing(two);
    ASSERT_TRUE(trailing.readScalar(r));
    EXPECT_FALSE(trailing.expectEnd());
    EXPECT_EQ(trailing.error(), QStringLiteral("1 bytes sobrando após a mensagem"));
}
