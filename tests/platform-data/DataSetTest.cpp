#include "DataFixtures.h"

#include "core/Exception.h"
#include "platform/TClientDataSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

QStringList walk(TDataSet& ds, const QString& field) {
    QStringList seen;
    for (ds.first(); !ds.eof(); ds.next())
        seen << ds.fieldByName(field).asString();
    return seen;
}

TEST(DataSetCursor, WalksBothWaysAndStopsAtTheEnds) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_TRUE(ds.bof());
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(walk(ds, "SGBASEORI"), (QStringList{"GRU", "REC", "gig"}));
    EXPECT_EQ(ds.recNo(), 3); // next past the last row stays on it
    ds.prior();
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_FALSE(ds.eof());
    ds.first();
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
    ds.last();
    EXPECT_TRUE(ds.eof());
    ds.setRecNo(2);
    EXPECT_EQ(ds.fieldByName("SGBASEORI").asString(), "REC");
    ds.setRecNo(9); // out of range: ignored
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST(DataSetCursor, EmptyAndClosedDataSets) {
    TClientDataSet ds;
    EXPECT_FALSE(ds.active());
    EXPECT_THROW(ds.first(), Exception);
    TDataPacket empty = flightPacket();
    empty.rows.clear();
    ds.setData(std::move(empty));
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_TRUE(ds.eof());
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_EQ(walk(ds, "NRVOO"), QStringList());
    EXPECT_EQ(ds.fieldByName("NRVOO").asString(), "");
    EXPECT_THROW(ds.deleteRecord(), Exception);
    ds.close();
    EXPECT_EQ(ds.state(), TDataSetState::dsInactive);
    EXPECT_EQ(ds.findField("NRVOO"), nullptr); // fields from the packet go with it
}

TEST(DataSetCursor, FieldByNameIgnoresCaseAndNamesTheMissingField) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    EXPECT_EQ(&ds.fieldByName("nrvoo"), ds.findField("NRVOO"));
    EXPECT_EQ(ds.findField("NADA"), nullptr);
    try {
        ds.fieldByName("NADA");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Campo 'NADA' não encontrado.");
    }
}

TEST(DataSetCursor, LocateFindsTheFirstMatchOrStaysPut) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    ds.last();
    EXPECT_TRUE(ds.locate("NRVOO", "1000"));
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_FALSE(ds.locate("SGBASEORI", "GIG"));
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_TRUE(ds.locate("sgbaseori", "GIG", true));
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_TRUE(ds.locate("QTDE_SERVICO", 0));
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_FALSE(ds.locate("QTDE_SERVICO", "abc")); // not a number: no row, no error
    EXPECT_EQ(ds.recNo(), 2);
}

TEST(DataSetEditing, EditPostCancelAndStates) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    TField& base = ds.fieldByName("SGBASEORI");
    EXPECT_EQ(ds.state(), TDataSetState::dsBrowse);
    ds.edit();
    EXPECT_EQ(ds.state(), TDataSetState::dsEdit);
    base.setAsString("CNF");
    ds.cancel();
    EXPECT_EQ(base.asString(), "GRU");
    ds.edit();
    base.setAsString("CNF");
    ds.next(); // moving posts
    EXPECT_EQ(ds.state(), TDataSetState::dsBrowse);
    ds.first();
    EXPECT_EQ(base.asString(), "CNF");

    ds.append();
    EXPECT_EQ(ds.state(), TDataSetState::dsInsert);
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_TRUE(base.isNull());
    ds.cancel(); // the new row goes, the cursor returns
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.recNo(), 1);

    ds.setRecNo(2);
    ds.insert();
    ds.fieldByName("NRVOO").setAsString("300");
    ds.post();
    EXPECT_EQ(walk(ds, "NRVOO"), (QStringList{"1000", "300", "1000", "200"}));
    ds.setRecNo(2);
    ds.deleteRecord();
    EXPECT_EQ(walk(ds, "NRVOO"), (QStringList{"1000", "1000", "200"}));
    ds.last();
    ds.deleteRecord(); // deleting the last row leaves the cursor on the new last one
    EXPECT_EQ(ds.recNo(), 2);
}

TEST(DataSetEditing, RequiredFieldsMustHaveAValueToPost) {
    TClientDataSet ds;
    TFieldDef def = fieldDef("NRVOO", TFieldType::ftString, 5, "Vôo");
    def.required = true;
    ds.addField(def);
    ds.setData(flightPacket());
    ds.append();
    try {
        ds.post();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Campo 'Vôo' deve ser informado.");
    }
    EXPECT_EQ(ds.state(), TDataSetState::dsInsert);
    ds.fieldByName("NRVOO").setAsString("1");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 4);
}

// Records what an observer hears.
struct Listener {
    explicit Listener(TDataSet& ds)
        : ds(ds)
        , id(ds.addObserver([this](TDataSet&, TDataEvent e) { events.push_back(e); })) {}
    ~Listener() { ds.removeObserver(id); }
    TDataSet& ds;
    int id;
    int count(TDataEvent e) const { return int(std::count(events.begin(), events.end(), e)); }
    std::vector<TDataEvent> events;
};

TEST(DataSetControls, DisabledWalkSendsOneRefreshAtTheEnd) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    Listener heard(ds);
    ds.disableControls();
    ds.disableControls();
    for (ds.first(); !ds.eof(); ds.next()) {
        ds.edit();
        ds.fieldByName("IDTIPVOO").setAsString("2");
        ds.post();
    }
    ds.enableControls();
    EXPECT_TRUE(ds.controlsDisabled());
    EXPECT_TRUE(heard.events.empty());
    ds.enableControls();
    EXPECT_FALSE(ds.controlsDisabled());
    EXPECT_EQ(heard.events, std::vector<TDataEvent>{TDataEvent::Refresh});
    ds.enableControls(); // unbalanced: ignored, nothing sent
    EXPECT_EQ(heard.events.size(), 1u);
    ds.next();
    EXPECT_EQ(heard.count(TDataEvent::CursorMoved), 0); // already on the last row
    ds.first();
    EXPECT_EQ(heard.count(TDataEvent::CursorMoved), 1);
}

TEST(DataSetControls, GuardRestoresControlsWhenAWalkThrows) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    Listener heard(ds);
    try {
        TDataSet::ControlsGuard guard(ds);
        for (ds.first(); !ds.eof(); ds.next()) {
            if (ds.fieldByName("QTDE_SERVICO").asFloat() <= 0)
                throw std::runtime_error("sem dados");
        }
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(ds.controlsDisabled());
    EXPECT_EQ(heard.events, std::vector<TDataEvent>{TDataEvent::Refresh});
}

TEST(DataSetControls, DisplayRowReadsAnotherRowSilently) {
    TClientDataSet ds;
    ds.setData(flightPacket());
    Listener heard(ds);
    TField& base = ds.fieldByName("SGBASEORI");
    {
        TDataSet::DisplayRow row(ds, 2);
        EXPECT_EQ(base.asString(), "gig");
        EXPECT_EQ(ds.recNo(), 1);
    }
    EXPECT_EQ(base.asString(), "GRU");
    EXPECT_TRUE(heard.events.empty());
}

TEST(DataSetControls, OpenEventsAndAbortedOpen) {
    TClientDataSet ds;
    QStringList order;
    ds.BeforeOpen = [&](TDataSet& d) { order << QString("before:%1").arg(d.active()); };
    ds.AfterOpen = [&](TDataSet& d) { order << QString("after:%1").arg(d.recordCount()); };
    ds.setData(flightPacket());
    EXPECT_EQ(order, (QStringList{"before:0", "after:3"}));

    ds.BeforeOpen = [](TDataSet&) { throw Exception("cancelado"); };
    EXPECT_THROW(ds.setData(flightPacket()), Exception);
    EXPECT_FALSE(ds.active());
}

} // namespace
