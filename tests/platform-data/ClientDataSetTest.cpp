#include "DataFixtures.h"

#include "platform/TClientDataSet.h"

#include <gtest/gtest.h>

namespace {

using Kind = TChangePacket::Kind;

TEST(ClientDataSetLoad, PersistentFieldsKeepTheirSettingsAndMapByName) {
    TClientDataSet ds;
    TFieldDef tipo = fieldDef("idtipvoo", TFieldType::ftString, 1, "Tipo do Vôo");
    ds.addField(tipo);
    TField& qtde = ds.addField(fieldDef("QTDE_SERVICO", TFieldType::ftFloat));
    qtde.setVisible(false);
    ds.addField(fieldDef("IDMARCVOO", TFieldType::ftString, 1)); // not in the packet
    TField& first = *ds.fields()[0];
    first.OnGetText = [](TField& f, QString& text, bool) {
        text = f.asString() == "1" ? "Regular" : "Extra";
    };

    for (int load = 0; load < 2; ++load) {
        ds.setData(flightPacket()); // columns in another order than declared
        ASSERT_EQ(ds.fieldCount(), 5);
        EXPECT_EQ(ds.field(0).fieldName(), "idtipvoo");
        EXPECT_EQ(ds.field(3).fieldName(), "NRVOO"); // packet-only fields follow
        EXPECT_EQ(ds.fieldByName("IDTIPVOO").displayLabel(), "Tipo do Vôo");
        EXPECT_EQ(ds.fieldByName("NRVOO").displayLabel(), "Vôo"); // the packet's label
        EXPECT_FALSE(ds.fieldByName("QTDE_SERVICO").visible());
        ds.setRecNo(2);
        EXPECT_EQ(ds.fieldByName("IDTIPVOO").displayText(), "Extra");
        EXPECT_EQ(ds.fieldByName("SGBASEORI").asString(), "REC");
        EXPECT_DOUBLE_EQ(ds.fieldByName("QTDE_SERVICO").asFloat(), 0.0);
        EXPECT_TRUE(ds.fieldByName("IDMARCVOO").isNull());
        ds.first();
        EXPECT_EQ(ds.fieldByName("IDTIPVOO").displayText(), "Regular");
        EXPECT_DOUBLE_EQ(ds.fieldByName("QTDE_SERVICO").asFloat(), 2.0);
    }

    // The field the packet lacked can be written and is sent back like the others.
    ds.edit();
    ds.fieldByName("IDMARCVOO").setAsString("S");
    ds.post();
    EXPECT_EQ(ds.fieldByName("IDMARCVOO").asString(), "S");
    const TDataPacket out = ds.data();
    EXPECT_EQ(out.fieldIndex("IDMARCVOO"), 2);
    EXPECT_EQ(out.rows[0][2], QVariant(QString("S")));
    EXPECT_EQ(out.rows[0][0], QVariant(QString("1")));
    EXPECT_FALSE(out.rows[1][2].isValid());
}

class ChangeLog : public ::testing::Test {
protected:
    void SetUp() override { ds.setData(flightPacket()); }
    void setBase(int recNo, const QString& base) {
        ds.setRecNo(recNo);
        ds.edit();
        ds.fieldByName("SGBASEORI").setAsString(base);
        ds.post();
    }
    static QString base(const std::optional<TRow>& row) { return row ? (*row)[1].toString() : "-"; }
    TClientDataSet ds;
};

TEST_F(ChangeLog, RowModifiedTwiceAppearsOnceWithItsOriginalValues) {
    EXPECT_EQ(ds.changeCount(), 0);
    setBase(2, "POA");
    setBase(2, "FOR");
    ds.edit(); // an edit that changes nothing is not a change
    ds.post();
    ASSERT_EQ(ds.changeCount(), 1);
    const TChangePacket delta = ds.delta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].kind, Kind::Update);
    EXPECT_EQ(base(delta.changes[0].oldValues), "REC");
    EXPECT_EQ(base(delta.changes[0].newValues), "FOR");
    EXPECT_EQ(delta.fields.size(), 4);
}

TEST_F(ChangeLog, InsertUpdateDeleteInFirstChangeOrder) {
    setBase(3, "BSB");
    ds.append();
    ds.fieldByName("NRVOO").setAsString("9");
    ds.fieldByName("SGBASEORI").setAsString("NEW");
    ds.post();
    setBase(4, "NEW2"); // the inserted row edited again stays an insert
    ds.setRecNo(1);
    ds.deleteRecord();
    ds.setRecNo(2); // the former third row, already modified
    ds.deleteRecord();

    const TChangePacket delta = ds.delta();
    ASSERT_EQ(delta.changes.size(), 3);
    EXPECT_EQ(delta.changes[0].kind, Kind::Delete); // first changed as an update
    EXPECT_EQ(base(delta.changes[0].oldValues), "gig");
    EXPECT_FALSE(delta.changes[0].newValues.has_value());
    EXPECT_EQ(delta.changes[1].kind, Kind::Insert);
    EXPECT_FALSE(delta.changes[1].oldValues.has_value());
    EXPECT_EQ(base(delta.changes[1].newValues), "NEW2");
    EXPECT_EQ(delta.changes[2].kind, Kind::Delete);
    EXPECT_EQ(base(delta.changes[2].oldValues), "GRU");
}

TEST_F(ChangeLog, InsertedThenDeletedRowLeavesNoTrace) {
    ds.append();
    ds.fieldByName("NRVOO").setAsString("9");
    ds.post();
    ds.deleteRecord();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_TRUE(ds.delta().isEmpty());
}

TEST_F(ChangeLog, CancelUpdatesRestoresTheLoadedRows) {
    const TDataPacket before = ds.data();
    setBase(1, "XXX");
    ds.append();
    ds.fieldByName("NRVOO").setAsString("9");
    ds.post();
    ds.setRecNo(2);
    ds.deleteRecord();
    ds.cancelUpdates();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.data().rows, before.rows);
}

// Cancelling rebuilds the loaded list from the unchanged rows and the originals the log
// keeps: a row edited and then deleted, and a row inserted above others, must not shift it.
TEST_F(ChangeLog, CancelUpdatesAfterEditThenDeleteAndAnInsertAtTheTop) {
    const TDataPacket before = ds.data();
    setBase(2, "XXX");
    ds.setRecNo(2);
    ds.deleteRecord();
    ds.first();
    ds.insert();
    ds.fieldByName("NRVOO").setAsString("9");
    ds.post();
    setBase(3, "YYY"); // the loaded third row, now third again after the insert
    ds.cancelUpdates();
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.data().rows, before.rows);

    // The log works as before after a cancel.
    setBase(1, "ZZZ");
    EXPECT_EQ(ds.changeCount(), 1);
    ds.cancelUpdates();
    EXPECT_EQ(ds.data().rows, before.rows);
}

TEST_F(ChangeLog, MergeMakesCurrentValuesTheOriginalOnes) {
    setBase(1, "AAA");
    ds.mergeChangeLog();
    EXPECT_EQ(ds.changeCount(), 0);
    setBase(1, "BBB");
    const TChangePacket delta = ds.delta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(base(delta.changes[0].oldValues), "AAA");
    ds.cancelUpdates();
    ds.first();
    EXPECT_EQ(ds.fieldByName("SGBASEORI").asString(), "AAA");
}

TEST_F(ChangeLog, ReloadingForgetsTheLog) {
    setBase(1, "AAA");
    ds.setData(flightPacket());
    EXPECT_EQ(ds.changeCount(), 0);
}

} // namespace
