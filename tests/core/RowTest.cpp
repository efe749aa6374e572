#include "core/TDataPacket.h"

#include <gtest/gtest.h>

namespace {

TRow numbered(int count, const QString& prefix = QStringLiteral("c")) {
    TRow row;
    for (int i = 0; i < count; ++i)
        row.append(prefix + QString::number(i));
    return row;
}

void expectNumbered(const TRow& row, int count, const QString& prefix = QStringLiteral("c")) {
    ASSERT_EQ(row.size(), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(row[i].toString(), prefix + QString::number(i)) << i;
}

} // namespace

// Rows up to the inline size live inside the row, wider ones on the heap: values must
// survive every crossing of that line.
TEST(Row, KeepsItsValuesWhenGrowingPastTheInlineCells) {
    const int wide = int(TRow::kInline) * 3 + 1;
    TRow row = numbered(wide);
    expectNumbered(row, wide);
    EXPECT_GE(row.capacity(), wide);

    TRow sized(TRow::kInline + 2);
    EXPECT_EQ(sized.size(), TRow::kInline + 2);
    EXPECT_FALSE(sized.last().isValid());
    sized.resize(2);
    EXPECT_EQ(sized.size(), 2);
    sized.resize(4);
    EXPECT_FALSE(sized[3].isValid());
}

TEST(Row, AppendingOneOfItsOwnCellsWhileGrowingCopiesTheValue) {
    TRow row = numbered(int(TRow::kInline));
    ASSERT_EQ(row.size(), row.capacity());
    row.append(row[0]);
    row.append(row.cell(1)); // the reference dies with the old cells
    EXPECT_EQ(row[TRow::kInline].toString(), QStringLiteral("c0"));
    EXPECT_EQ(row[TRow::kInline + 1].toString(), QStringLiteral("c1"));
}

TEST(Row, MovesLeaveTheSourceEmptyAndUsable) {
    for (const int width : {3, int(TRow::kInline) + 5}) {
        TRow source = numbered(width);
        TRow moved(std::move(source));
        expectNumbered(moved, width);
        EXPECT_TRUE(source.isEmpty());
        source.append(QStringLiteral("again"));
        EXPECT_EQ(source.size(), 1);

        TRow target = numbered(int(TRow::kInline) + 1, QStringLiteral("old"));
        target = std::move(moved);
        expectNumbered(target, width);
        target = std::move(target); // self-move keeps the row
        expectNumbered(target, width);
    }
}

TEST(Row, CopiesAreIndependent) {
    for (const int width : {2, int(TRow::kInline) + 2}) {
        const TRow original = numbered(width);
        TRow copy = original;
        copy.replace(0, QStringLiteral("changed"));
        copy.append(qint64(7));
        expectNumbered(original, width);
        TRow assigned = numbered(1, QStringLiteral("x"));
        assigned = original;
        EXPECT_EQ(assigned, original);
        assigned = assigned; // self-assignment keeps the row
        EXPECT_EQ(assigned, original);
    }
}

TEST(Row, ComparesAndConvertsLikeAVariantList) {
    const TRow row{QStringLiteral("GRU"), qint64(3), QVariant()};
    EXPECT_EQ(row, (TRow{QStringLiteral("GRU"), qint64(3), QVariant()}));
    EXPECT_NE(row, (TRow{QStringLiteral("GRU"), qint64(3)}));
    EXPECT_NE(row, (TRow{QStringLiteral("GIG"), qint64(3), QVariant()}));
    const QVariantList list = row.toList();
    EXPECT_EQ(TRow(list), row);
    EXPECT_EQ(row.value(5, QStringLiteral("none")).toString(), QStringLiteral("none"));
    EXPECT_EQ(row.value(-1).isValid(), false);

    TRow removing = numbered(int(TRow::kInline) + 1);
    removing.removeAt(0);
    EXPECT_EQ(removing.first().toString(), QStringLiteral("c1"));
    EXPECT_EQ(removing.size(), TRow::kInline);
}

TEST(Row, AVectorOfRowsSurvivesReallocation) {
    std::vector<TRow> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back(numbered(i % 2 ? 3 : int(TRow::kInline) + 3, QString::number(i)));
    for (int i = 0; i < 100; ++i)
        expectNumbered(rows[size_t(i)], i % 2 ? 3 : int(TRow::kInline) + 3, QString::number(i));
    rows.erase(rows.begin());
    rows.insert(rows.begin() + 10, TRow(4));
    EXPECT_EQ(rows[10].size(), 4);
    expectNumbered(rows[11], 3, QStringLiteral("11"));
}
