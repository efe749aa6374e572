#include "DataFixtures.h"

#include "core/Exception.h"
#include "platform/DisplayFormat.h"
#include "platform/TClientDataSet.h"

#include <gtest/gtest.h>

namespace {

// One row holding every type, and a second row of nulls.
TDataPacket typedPacket() {
    TDataPacket p;
    p.fields = {
        fieldDef("TXT", TFieldType::ftString, 10), fieldDef("FLAG", TFieldType::ftFixedChar, 1),
        fieldDef("NUM", TFieldType::ftInteger),    fieldDef("VAL", TFieldType::ftFloat),
        fieldDef("DIA", TFieldType::ftDate),       fieldDef("MOMENTO", TFieldType::ftDateTime)};
    p.rows.push_back({QString("abc"), QString("S "), qint64(42), 1234.5, QDate(2024, 3, 9),
                      QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7))});
    p.rows.push_back(TRow(6));
    return p;
}

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { ds.setData(typedPacket()); }
    TClientDataSet ds;
};

TEST_F(FieldTest, ReadsEachTypeAsText) {
    EXPECT_EQ(ds.fieldByName("txt").asString(), "abc");
    EXPECT_EQ(ds.fieldByName("FLAG").asString(), "S"); // padding dropped
    EXPECT_EQ(ds.fieldByName("NUM").asString(), "42");
    EXPECT_EQ(ds.fieldByName("VAL").asString(), "1234,5"); // no thousands separator
    EXPECT_EQ(ds.fieldByName("DIA").asString(), "09/03/2024");
    EXPECT_EQ(ds.fieldByName("MOMENTO").asString(), "09/03/2024 14:05:07");
    EXPECT_EQ(ds.fieldByName("NUM").asFloat(), 42.0);
    EXPECT_EQ(ds.fieldByName("VAL").asInteger(), 1235);
    EXPECT_EQ(ds.fieldByName("DIA").asDateTime(), QDateTime(QDate(2024, 3, 9), QTime(0, 0)));
}

TEST_F(FieldTest, NullsReadAsEmptyZeroAndInvalidDate) {
    ds.next();
    for (TField* f : ds.fields()) {
        SCOPED_TRACE(f->fieldName().toStdString());
        EXPECT_TRUE(f->isNull());
        EXPECT_EQ(f->asString(), "");
        EXPECT_EQ(f->displayText(), "");
    }
    EXPECT_EQ(ds.fieldByName("NUM").asInteger(), 0);
    EXPECT_EQ(ds.fieldByName("VAL").asFloat(), 0.0);
    EXPECT_FALSE(ds.fieldByName("MOMENTO").asDateTime().isValid());
}

TEST_F(FieldTest, WritingNeedsEditOrInsertState) {
    try {
        ds.fieldByName("TXT").setAsString("x");
        FAIL() << "write in browse state accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Dataset não está em modo de edição.");
    }
    EXPECT_EQ(ds.fieldByName("TXT").asString(), "abc");
}

TEST_F(FieldTest, SetAsStringConvertsToTheFieldType) {
    ds.edit();
    ds.fieldByName("NUM").setAsString(" 17 ");
    ds.fieldByName("VAL").setAsString("1.234,75");
    ds.fieldByName("DIA").setAsString("31/12/2023");
    ds.fieldByName("MOMENTO").setAsString("01/02/2024 08:30:00");
    ds.fieldByName("FLAG").setAsString("N");
    ds.post();
    EXPECT_EQ(ds.fieldByName("NUM").value(), QVariant(qint64(17)));
    EXPECT_DOUBLE_EQ(ds.fieldByName("VAL").asFloat(), 1234.75);
    EXPECT_EQ(ds.fieldByName("DIA").value(), QVariant(QDate(2023, 12, 31)));
    EXPECT_EQ(ds.fieldByName("MOMENTO").asDateTime(), QDateTime(QDate(2024, 2, 1), QTime(8, 30)));
    EXPECT_EQ(ds.fieldByName("FLAG").asString(), "N");

    ds.edit();
    ds.fieldByName("VAL").setAsString("2.5"); // the C form is accepted too
    EXPECT_DOUBLE_EQ(ds.fieldByName("VAL").asFloat(), 2.5);
    ds.fieldByName("NUM").setAsString(""); // empty clears a non-text field
    EXPECT_TRUE(ds.fieldByName("NUM").isNull());
}

TEST_F(FieldTest, InvalidTextsRaiseAndLeaveTheValue) {
    ds.edit();
    EXPECT_THROW(ds.fieldByName("NUM").setAsString("12a"), Exception);
    EXPECT_THROW(ds.fieldByName("VAL").setAsString("abc"), Exception);
    EXPECT_THROW(ds.fieldByName("DIA").setAsString("31/02/2024"), Exception);
    EXPECT_EQ(ds.fieldByName("NUM").asInteger(), 42);
    EXPECT_EQ(ds.fieldByName("DIA").asString(), "09/03/2024");
}

TEST_F(FieldTest, DisplayFormatUsesBrazilianSeparators) {
    TField& val = ds.fieldByName("VAL");
    val.setDisplayFormat("#,##0.00");
    EXPECT_EQ(val.displayText(), "1.234,50");
    EXPECT_EQ(val.asString(), "1234,5"); // the format is for display only
    ds.next();
    EXPECT_EQ(val.displayText(), ""); // null shows nothing, not "0,00"

    const QString f = "#,##0.00";
    EXPECT_EQ(DisplayFormat::formatFloat(f, 0.0), "0,00");
    EXPECT_EQ(DisplayFormat::formatFloat(f, -1234.5), "-1.234,50");
    EXPECT_EQ(DisplayFormat::formatFloat(f, -0.001), "0,00"); // no "-0,00"
    EXPECT_EQ(DisplayFormat::formatFloat(f, 1234567.891), "1.234.567,89");
    EXPECT_EQ(DisplayFormat::formatFloat(f, 999.999), "1.000,00");
    EXPECT_EQ(DisplayFormat::formatFloat(f, 0.5), "0,50");
    EXPECT_EQ(DisplayFormat::formatFloat("0.000", 1234.5), "1234,500");
    EXPECT_EQ(DisplayFormat::formatFloat("#.##", 0.5), ",5");
    EXPECT_EQ(DisplayFormat::formatFloat("000", 7), "007");
    EXPECT_EQ(DisplayFormat::formatFloat("\"R$ \"#,##0.00", 10), "R$ 10,00");
    EXPECT_EQ(DisplayFormat::formatFloat("#,##0.00;(#,##0.00);-", -3), "(3,00)");
    EXPECT_EQ(DisplayFormat::formatFloat("#,##0.00;(#,##0.00);-", 0), "-");
}

TEST_F(FieldTest, OnGetTextSuppliesDisplayAndEditText) {
    TField& txt = ds.fieldByName("TXT");
    QList<bool> calls;
    txt.OnGetText = [&](TField& sender, QString& text, bool display) {
        calls << display;
        text = display ? "[" + sender.asString() + "]" : sender.asString().toUpper();
    };
    EXPECT_EQ(txt.displayText(), "[abc]");
    EXPECT_EQ(txt.text(), "ABC");
    EXPECT_EQ(txt.asString(), "abc"); // the stored value is untouched
    EXPECT_EQ(calls, (QList<bool>{true, false}));

    // A handler that supplies nothing leaves the text empty, even with a format.
    TField& val = ds.fieldByName("VAL");
    val.setDisplayFormat("#,##0.00");
    val.OnGetText = [](TField&, QString&, bool) {};
    EXPECT_EQ(val.displayText(), "");
}

TEST_F(FieldTest, LabelDefaultsToTheName) {
    TField& num = ds.fieldByName("NUM");
    EXPECT_EQ(num.displayLabel(), "NUM");
    num.setDisplayLabel("Número");
    EXPECT_EQ(num.displayLabel(), "Número");
    EXPECT_EQ(num.index(), 2);
    EXPECT_EQ(num.dataType(), TFieldType::ftInteger);
}

} // namespace
