#include "core/TCell.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

namespace {

// Type, nullness and value, which QVariant's own == does not all compare.
void expectSame(const QVariant& got, const QVariant& sent) {
    EXPECT_EQ(got.typeId(), sent.typeId()) << sent.typeName();
    EXPECT_EQ(got.isValid(), sent.isValid());
    EXPECT_EQ(got.isNull(), sent.isNull());
    EXPECT_EQ(got, sent);
    if (sent.typeId() == QMetaType::QString) {
        EXPECT_EQ(got.toString().isNull(), sent.toString().isNull());
    }
}

} // namespace

// A cell is a storage detail: every value must come back exactly as it went in.
TEST(Cell, EveryValueComesBackWithItsTypeAndNullness) {
    const QList<QVariant> values{
        QVariant(),
        QVariant(QMetaType::fromType<QString>()), // typed null
        QVariant(qint64(-9007199254740993LL)),
        QVariant(1234.5),
        QVariant(-0.0),
        QVariant(QDate(2024, 2, 29)),
        QVariant(QDate()),
        QVariant(QString()),
        QVariant(QStringLiteral("")),
        QVariant(QStringLiteral("N")),
        QVariant(QString::fromUtf8("SÃO PAULO")),
        QVariant(QStringLiteral("12345678901234")),
        QVariant(QStringLiteral("123456789012345")),
        QVariant(QString::fromUtf8("€")),
        QVariant(42), // int, not qint64
        QVariant(true),
        QVariant(QDateTime(QDate(2024, 3, 15), QTime(14, 30))),
    };
    for (const QVariant& v : values) {
        SCOPED_TRACE(v.toString().toStdString());
        const TCell cell(v);
        expectSame(cell.toVariant(), v);
        const TCell copy = cell;
        expectSame(copy.toVariant(), v);
        EXPECT_EQ(copy, cell);
    }
    EXPECT_EQ(TCell(QVariant(QStringLiteral("12345678901234"))).kind(), TCell::Kind::Text);
    EXPECT_EQ(TCell(QVariant(QStringLiteral("123456789012345"))).kind(), TCell::Kind::Boxed);
    EXPECT_EQ(TCell(QVariant(QString())).kind(), TCell::Kind::Boxed);
}

TEST(Cell, ComparesLikeVariants) {
    EXPECT_EQ(TCell::integer(1), TCell::real(1.0));
    EXPECT_EQ(TCell::real(0.0), TCell::real(-0.0));
    EXPECT_NE(TCell::integer(1), TCell::integer(2));
    EXPECT_EQ(TCell(QVariant(QString())), TCell::latin1(""));
    EXPECT_NE(TCell::latin1("A"), TCell::latin1(QByteArrayView("A\0", 2)));
    EXPECT_NE(TCell(), TCell::latin1(""));
    EXPECT_EQ(TCell::text(QString::fromUtf8("Ç")), TCell(QVariant(QString::fromUtf8("Ç"))));
    EXPECT_NE(TCell(QVariant(QDate(2024, 1, 1))), TCell(QVariant(QDate(2024, 1, 2))));
}

// Boxes are shared by copies; a box must outlive every copy and die with the last one.
TEST(Cell, CopiesAndMovesOfBoxedValuesStayIndependent) {
    const QString longText = QStringLiteral("um texto longo demais para a célula");
    TCell a = TCell::text(longText);
    ASSERT_EQ(a.kind(), TCell::Kind::Boxed);
    TCell b = a;
    TCell c;
    c = b;
    b = TCell::integer(7); // drops one reference
    EXPECT_EQ(c.toVariant().toString(), longText);
    TCell d(std::move(a));
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(d.toVariant().toString(), longText);
    TCell& self = d;
    d = self; // self-assignment keeps the value
    EXPECT_EQ(d.toVariant().toString(), longText);
    c = std::move(d);
    EXPECT_EQ(c.toVariant().toString(), longText);
    EXPECT_EQ(b.integerValue(), 7);
}
