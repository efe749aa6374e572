#include "protocol/PacketCodec.h"
#include "protocol/CborCursor.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>

using protocol::PacketCodec;
using protocol::RemoteValue;

namespace {

TFieldDef field(const char* name, TFieldType type, int size = 0, const char* label = "") {
    TFieldDef f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.size = size;
    f.displayLabel = QString::fromUtf8(label);
    return f;
}

TDataPacket everyType() {
    TDataPacket p;
    p.fields = {field("CDCIA", TFieldType::ftString, 4, "Código"),
                field("IDMARCVOO", TFieldType::ftFixedChar, 1),
                field("QTDE_SERVICO", TFieldType::ftInteger),
                field("VRNOTAFISC", TFieldType::ftFloat, 0, "Valor R$"),
                field("DTENTRSAID", TFieldType::ftDate),
                field("DTHRINICIO", TFieldType::ftDateTime)};
    p.rows.push_back({QString::fromUtf8("ação¿"), QString("N"), qint64(-9007199254740993LL), 1234.5,
                      QDate(2024, 2, 29), QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 250))});
    p.rows.push_back({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    p.rows.push_back({QString(""), QString(" "), qint64(0), 0.01, QDate(1, 1, 1),
                      QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))});
    return p;
}

QByteArray cbor(const QCborValue& v) {
    return v.toCbor();
}

QCborMap fieldMap(const char* name, const char* type) {
    return QCborMap{{QStringLiteral("name"), QString::fromLatin1(name)},
                    {QStringLiteral("type"), QString::fromLatin1(type)}};
}

QString decodeError(const QCborValue& v) {
    auto decoded = PacketCodec::decodeDataPacket(cbor(v));
    return decoded.ok() ? QString() : decoded.error();
}

} // namespace

TEST(PacketCodec, DataPacketWithEveryTypeAndNullsRoundTrips) {
    const TDataPacket packet = everyType();
    QString error;
    const QByteArray bytes = PacketCodec::encodeDataPacket(packet, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    auto decoded = PacketCodec::decodeDataPacket(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
    EXPECT_TRUE(protocol::samePacket(decoded.value(), packet));
    EXPECT_EQ(decoded.value().rows[0][2].typeId(), QMetaType::LongLong);
    EXPECT_EQ(decoded.value().fields[3].displayLabel, QStringLiteral("Valor R$"));
}

// Other clients read packets with plain CBOR libraries: the shape must be exactly this.
TEST(PacketCodec, WireShapeOfADataPacket) {
    const QCborValue v = QCborValue::fromCbor(PacketCodec::encodeDataPacket(everyType()));
    const QCborMap f0 = v[QStringLiteral("fields")][0].toMap();
    EXPECT_EQ(f0[QStringLiteral("name")].toString(), QStringLiteral("CDCIA"));
    EXPECT_EQ(f0[QStringLiteral("type")].toString(), QStringLiteral("string"));
    EXPECT_EQ(f0[QStringLiteral("size")].toInteger(), 4);
    EXPECT_EQ(f0[QStringLiteral("label")].toString(), QStringLiteral("Código"));
    EXPECT_EQ(v[QStringLiteral("fields")][1][QStringLiteral("type")].toString(),
              QStringLiteral("fixedstring"));
    const QCborValue row = v[QStringLiteral("rows")][0];
    EXPECT_EQ(row[4].tag(), QCborTag(1004));
    EXPECT_EQ(row[4].taggedValue().toString(), QStringLiteral("2024-02-29"));
    EXPECT_EQ(row[5].tag(), QCborTag(0));
    EXPECT_TRUE(v[QStringLiteral("rows")][1][0].isNull());
}

TEST(PacketCodec, RowsBeforeFieldsAndIntegerAmountsAreAccepted) {
    QCborMap m;
    m[QStringLiteral("rows")] = QCborArray{QCborArray{QStringLiteral("0001"), 10}};
    m[QStringLiteral("fields")] = QCborArray{fieldMap("NR", "string"), fieldMap("VR", "float")};
    auto decoded = PacketCodec::decodeDataPacket(cbor(m));
    ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
    EXPECT_EQ(decoded.value().rows[0][1].typeId(), QMetaType::Double);
    EXPECT_EQ(decoded.value().rows[0][1].toDouble(), 10.0);
}

TEST(PacketCodec, MalformedPacketsGiveAReasonNotACrash) {
    const QCborArray fields{fieldMap("NRVOO", "string"), fieldMap("QT", "integer")};
    // One row per call: a braced QCborArray{QCborArray{...}} would copy, not nest.
    auto packet = [&](const QCborArray& row, const QCborArray& f) {
        const QCborArray rows = row.isEmpty() ? QCborArray() : QCborArray{QCborValue(row)};
        return QCborMap{{QStringLiteral("fields"), f}, {QStringLiteral("rows"), rows}};
    };
    EXPECT_TRUE(decodeError(packet((QCborArray{1, 2}), fields)).contains(u"NRVOO"));
    EXPECT_TRUE(
        decodeError(packet((QCborArray{QStringLiteral("x")}), fields)).contains(u"valores"));
    EXPECT_TRUE(
        decodeError(packet((QCborArray{QStringLiteral("x"), 1, 2}), fields)).contains(u"valores"));
    EXPECT_TRUE(
        decodeError(packet((QCborArray{QStringLiteral("x"), 1.5}), fields)).contains(u"QT"));
    EXPECT_TRUE(decodeError(packet({}, {fieldMap("X", "blob")})).contains(u"blob"));
    EXPECT_TRUE(decodeError(packet({}, {fieldMap("X", "string"), fieldMap("x", "string")}))
                    .contains(u"repetido"));
    EXPECT_FALSE(decodeError(packet((QCborArray{QStringLiteral("x"), true}), fields)).isEmpty());
    EXPECT_FALSE(decodeError(QCborMap{{QStringLiteral("rows"), QCborArray{}}}).isEmpty());
    EXPECT_FALSE(decodeError(QCborArray{}).isEmpty());
    // Dates must be tagged "YYYY-MM-DD" texts of real days.
    const QCborArray dateField{fieldMap("DT", "date")};
    EXPECT_FALSE(
        decodeError(packet((QCborArray{QCborValue(QCborTag(1004), QStringLiteral("2023-02-29"))}),
                           dateField))
            .isEmpty());
    EXPECT_FALSE(
        decodeError(packet((QCborArray{QCborValue(QCborTag(1004), QStringLiteral("15/03/2024"))}),
                           dateField))
            .isEmpty());
    EXPECT_FALSE(decodeError(packet((QCborArray{QCborValue(QCborTag(1004), 20240315)}), dateField))
                     .isEmpty());
}

TEST(PacketCodec, TruncatedAndTrailingBytesAreRefused) {
    const QByteArray bytes = PacketCodec::encodeDataPacket(everyType());
    for (qsizetype n = 0; n < bytes.size(); ++n)
        ASSERT_FALSE(PacketCodec::decodeDataPacket(bytes.left(n)).ok()) << n;
    EXPECT_FALSE(PacketCodec::decodeDataPacket(bytes + '\0').ok());
}

TEST(PacketCodec, WriterCoercesDatabaseTextsAndReportsWhatItCannot) {
    TDataPacket p;
    p.fields = {field("DT", TFieldType::ftDate), field("DH", TFieldType::ftDateTime),
                field("QT", TFieldType::ftInteger), field("VR", TFieldType::ftFloat)};
    p.rows.push_back({QString("2024-03-15"), QString("2024-03-15 14:30:00"), QString("42"), 7});
    QString error;
    auto decoded = PacketCodec::decodeDataPacket(PacketCodec::encodeDataPacket(p, &error));
    ASSERT_TRUE(decoded.ok());
    EXPECT_TRUE(error.isEmpty());
    const TRow& row = decoded.value().rows[0];
    EXPECT_EQ(row[0].toDate(), QDate(2024, 3, 15));
    EXPECT_EQ(row[1].toDateTime(), QDateTime(QDate(2024, 3, 15), QTime(14, 30)));
    EXPECT_EQ(row[2].toLongLong(), 42);
    EXPECT_EQ(row[3].toDouble(), 7.0);

    p.rows = {{QString("ontem"), QVariant(), QString("4x"), QVariant()}, {QVariant()}};
    decoded = PacketCodec::decodeDataPacket(PacketCodec::encodeDataPacket(p, &error));
    ASSERT_TRUE(decoded.ok()) << "bad cells become nulls, the packet stays readable";
    EXPECT_TRUE(error.contains(u"DT"));
    EXPECT_TRUE(decoded.value().rows[0][2].isNull());
    EXPECT_EQ(decoded.value().rows[1].size(), 4);
}

TEST(PacketCodec, ChangePacketRoundTripsAndKindsCarryTheirRows) {
    TChangePacket p;
    p.fields = {field("CDPROGRAMA", TFieldType::ftString, 8),
                field("DSDIRETORIO", TFieldType::ftString, 100)};
    p.changes.append(
        {TChangePacket::Kind::Insert, std::nullopt, TRow{QString("ZELGOL"), QString("J|123")}});
    p.changes.append({TChangePacket::Kind::Update, TRow{QString("ZELTAM"), QString("a")},
                      TRow{QString("ZELAZU"), QVariant()}});
    p.changes.append(
        {TChangePacket::Kind::Delete, TRow{QString("ZELX"), QString("b")}, std::nullopt});
    const QByteArray bytes = PacketCodec::encodeChangePacket(p);
    auto decoded = PacketCodec::decodeChangePacket(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
    EXPECT_TRUE(protocol::samePacket(decoded.value(), p));

    const QCborValue v = QCborValue::fromCbor(bytes);
    EXPECT_EQ(v[QStringLiteral("changes")][0][QStringLiteral("kind")].toString(),
              QStringLiteral("insert"));
    EXPECT_TRUE(v[QStringLiteral("changes")][0][QStringLiteral("old")].isNull());
    EXPECT_TRUE(v[QStringLiteral("changes")][2][QStringLiteral("new")].isNull());

    // A deletion without its old row, or an unknown kind, is refused.
    QCborMap bad = v.toMap();
    QCborArray changes = bad[QStringLiteral("changes")].toArray();
    QCborMap del = changes[2].toMap();
    del[QStringLiteral("old")] = QCborValue(nullptr);
    changes[2] = del;
    bad[QStringLiteral("changes")] = changes;
    EXPECT_FALSE(PacketCodec::decodeChangePacket(bad.toCborValue().toCbor()).ok());
    del[QStringLiteral("kind")] = QStringLiteral("merge");
    changes[2] = del;
    bad[QStringLiteral("changes")] = changes;
    EXPECT_FALSE(PacketCodec::decodeChangePacket(bad.toCborValue().toCbor()).ok());
}

TEST(PacketCodec, EveryValueKindRoundTrips) {
    TChangePacket empty;
    empty.fields = {field("A", TFieldType::ftString)};
    const QList<RemoteValue> values{
        RemoteValue(),
        RemoteValue(QStringLiteral("ORA-00001 ¿Apur_Irreg")),
        RemoteValue(qint64(-5)),
        RemoteValue(std::numeric_limits<qint64>::max()),
        RemoteValue(2.75),
        RemoteValue(QDate(2024, 12, 31)),
        RemoteValue(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))),
        RemoteValue(
            QList<RemoteValue>{QStringLiteral("0000000042"), RemoteValue(), QList<RemoteValue>{1}}),
        RemoteValue(everyType()),
        RemoteValue(empty),
    };
    for (const RemoteValue& v : values) {
        auto decoded = PacketCodec::decode(PacketCodec::encode(v));
        ASSERT_TRUE(decoded.ok()) << v.typeName().toStdString() << decoded.error().toStdString();
        EXPECT_EQ(decoded.value(), v) << v.typeName().toStdString();
    }
}

TEST(PacketCodec, NumbersOutsideSixtyFourBitsAndOtherOddValuesAreRefused) {
    // 2^64 - 1 and -2^64: valid CBOR, but no qint64 holds them.
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("1bffffffffffffffff")).ok());
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("3bffffffffffffffff")).ok());
    auto minimum = PacketCodec::decode(QByteArray::fromHex("3b7fffffffffffffff"));
    ASSERT_TRUE(minimum.ok());
    EXPECT_EQ(minimum.value().toInteger(), std::numeric_limits<qint64>::min());
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("fb7ff8000000000000")).ok()); // NaN
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("f5")).ok());                 // true
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("4161")).ok());               // bytes
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("c11a5e0be100")).ok());       // tag 1
    // A string that claims 2^40 bytes in a 10-byte input.
    EXPECT_FALSE(PacketCodec::decode(QByteArray::fromHex("7b0000010000000000") + "a").ok());
}

TEST(PacketCodec, DeepNestingIsBoundedBothInValuesAndInSkippedKeys) {
    QByteArray deep(100000, char(0x81)); // 100k nested one-element arrays
    deep += char(0x01);
    auto decoded = PacketCodec::decode(deep);
    ASSERT_FALSE(decoded.ok());
    EXPECT_TRUE(decoded.error().contains(u"aninhamento"));

    QByteArray inKey = QByteArray::fromHex("a3") + QCborValue(QStringLiteral("x")).toCbor() + deep +
                       QCborValue(QStringLiteral("fields")).toCbor() + QByteArray::fromHex("80") +
                       QCborValue(QStringLiteral("rows")).toCbor() + QByteArray::fromHex("80");
    EXPECT_FALSE(PacketCodec::decodeDataPacket(inKey).ok());

    QByteArray shallow(protocol::CborCursor::kMaxDepth, char(0x81));
    shallow += char(0x01);
    EXPECT_TRUE(PacketCodec::decode(shallow).ok());
}

namespace {

// Rows of every cell kind the common path takes, and some it leaves to the general one.
QCborArray mixedRows() {
    const QString longText(300, QLatin1Char('x')); // needs a two-byte length
    const qint64 min = std::numeric_limits<qint64>::min();
    const qint64 max = std::numeric_limits<qint64>::max();
    QCborArray rows;
    rows.append(QCborArray{QStringLiteral("GRU"), -1, QStringLiteral("N"), 1.5});
    rows.append(QCborArray{QString::fromUtf8("SÃO"), max, QCborValue(nullptr), min});
    rows.append(QCborArray{QString(40, QLatin1Char('y')), 0, QCborValue(nullptr), 0.1});
    rows.append(QCborArray{longText, 24, QString(), QCborValue(nullptr)});
    rows.append(QCborArray{QString(), 255, QCborValue(nullptr), -7});
    return rows;
}

QByteArray packetBytes(const QCborArray& rows, bool fieldsFirst) {
    const QCborArray fields{fieldMap("TX", "string"), fieldMap("QT", "integer"),
                            fieldMap("NULO", "fixedstring"), fieldMap("VR", "float")};
    QCborMap m;
    if (fieldsFirst)
        m[QStringLiteral("fields")] = fields;
    m[QStringLiteral("rows")] = rows;
    if (!fieldsFirst)
        m[QStringLiteral("fields")] = fields;
    return cbor(m);
}

} // namespace

// Fields first lets each cell be checked as it is read (the usual case); rows first goes
// through the general path. Both must give the same rows.
TEST(PacketCodec, CellsDecodeAlikeWhetherFieldsComeFirstOrLast) {
    auto fast = PacketCodec::decodeDataPacket(packetBytes(mixedRows(), true));
    auto general = PacketCodec::decodeDataPacket(packetBytes(mixedRows(), false));
    ASSERT_TRUE(fast.ok()) << fast.error().toStdString();
    ASSERT_TRUE(general.ok()) << general.error().toStdString();
    EXPECT_TRUE(protocol::samePacket(fast.value(), general.value()));
    const auto& rows = fast.value().rows;
    EXPECT_EQ(rows[1][0].toString(), QString::fromUtf8("SÃO"));
    EXPECT_EQ(rows[1][1].toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(rows[1][3].typeId(), QMetaType::Double);
    EXPECT_EQ(rows[3][0].toString().size(), 300);
    EXPECT_FALSE(rows[3][3].isValid());
    EXPECT_EQ(rows[4][0].typeId(), QMetaType::QString);
    EXPECT_TRUE(rows[4][0].toString().isEmpty());
    EXPECT_EQ(rows[4][3].toDouble(), -7.0);
}

TEST(PacketCodec, BadCellsAreRefusedWithTheirPlaceWhicheverPathReadsThem) {
    const QCborArray fields{fieldMap("TX", "string"), fieldMap("QT", "integer")};
    auto errorFor = [&](const QByteArray& cell0, const QByteArray& cell1) {
        const QByteArray bytes =
            QByteArray::fromHex("a2") + QCborValue(QStringLiteral("fields")).toCbor() +
            fields.toCborValue().toCbor() + QCborValue(QStringLiteral("rows")).toCbor() +
            QByteArray::fromHex("8182") + cell0 + cell1;
        auto decoded = PacketCodec::decodeDataPacket(bytes);
        return decoded.ok() ? QString() : decoded.error();
    };
    const QByteArray ok0 = QCborValue(QStringLiteral("A")).toCbor();
    const QByteArray ok1 = QByteArray::fromHex("01");
    EXPECT_TRUE(errorFor(ok0, ok1).isEmpty());
    EXPECT_EQ(errorFor(QByteArray::fromHex("62c328"), ok1),
              QStringLiteral("linha 0, coluna 0: texto com UTF-8 inválido"));
    EXPECT_EQ(errorFor(ok0, QByteArray::fromHex("1bffffffffffffffff")),
              QStringLiteral("linha 0, coluna 1: inteiro fora do intervalo"));
    EXPECT_TRUE(errorFor(ok0, QByteArray::fromHex("fb7ff8000000000000")).contains(u"não finito"));
    EXPECT_TRUE(errorFor(ok1, ok1).contains(u"TX"));
    EXPECT_TRUE(errorFor(ok0, ok0).contains(u"QT"));
    // A text or a number whose length runs past the end.
    EXPECT_TRUE(errorFor(QByteArray::fromHex("7818") + "abc", {}).contains(u"truncados"));
    EXPECT_TRUE(errorFor(ok0, QByteArray::fromHex("1b0000")).contains(u"truncados"));
}

// Short Latin-1 texts are kept inside their cells and the rest boxed: either way a text
// must come back exactly, at the boundary of the two as well.
TEST(PacketCodec, TextsComeBackExactlyWhereverTheirCellsKeepThem) {
    QCborArray rows;
    QStringList expected;
    QStringList unique; // a column that hardly repeats stops being cached
    for (int i = 0; i < 5000; ++i) {
        // Repeats, near-twins ("A" and "A\0", one byte apart), texts of 14 and 15 bytes,
        // Latin-1 and other non-ASCII, and a run of unique numbers.
        QString text;
        switch (i % 7) {
        case 0:
            text = QStringLiteral("GRU");
            break;
        case 1:
            text = i % 2 ? QStringLiteral("A") : QString(QStringLiteral("A")) + QChar(0);
            break;
        case 2:
            text = i % 2 ? QString::fromUtf8("ÇÃ") : QString::fromUtf8("€ 5");
            break;
        case 3:
            text = i % 2 ? QStringLiteral("12345678901234") : QStringLiteral("123456789012345");
            break;
        default:
            text = QString::number(100000 + i);
            break;
        }
        expected.append(text);
        unique.append(i % 3 ? QString::number(i) : QString());
        rows.append(
            QCborArray{text, i, i % 3 ? QCborValue(unique.last()) : QCborValue(nullptr), 0});
    }
    auto decoded = PacketCodec::decodeDataPacket(packetBytes(rows, true));
    ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
    const auto& got = decoded.value().rows;
    ASSERT_EQ(got.size(), size_t(expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(got[size_t(i)][0].toString(), expected[i]) << i;
        ASSERT_EQ(got[size_t(i)][2].toString(), unique[i]) << i;
    }

    EXPECT_EQ(got[0].cell(0).kind(), TCell::Kind::Text);
    EXPECT_EQ(got[3].cell(0).kind(), TCell::Kind::Text) << "14 bytes";
    EXPECT_EQ(got[10].cell(0).kind(), TCell::Kind::Boxed) << "15 bytes";
    EXPECT_EQ(got[9].cell(0).kind(), TCell::Kind::Text) << "Latin-1";
    EXPECT_EQ(got[2].cell(0).kind(), TCell::Kind::Boxed) << "beyond Latin-1";
    QString first = got[0][0].toString();
    first[0] = QLatin1Char('X'); // writing to one copy leaves the others alone
    EXPECT_EQ(got[7][0].toString(), QStringLiteral("GRU"));
    QString letter = got[1][0].toString(); // one-character texts come from static storage
    ASSERT_EQ(letter, QStringLiteral("A"));
    letter.append(QLatin1Char('B'));
    letter[0] = QLatin1Char('Z');
    EXPECT_EQ(letter, QStringLiteral("ZB"));
    EXPECT_EQ(got[15][0].toString(), QStringLiteral("A"));
}
