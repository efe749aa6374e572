// The selection grids over packets the test supplies; no server needed.
#include "external/shared/TDateEditPlus.h"
#include "platform/TApplication.h"
#include "platform/TCheckImages.h"
#include "platform/TClientDataSet.h"
#include "platform/TColumn.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TScriptedPresenter.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"

#include <gtest/gtest.h>

using namespace Cli_Zel00100;

namespace {

struct Leg {
    const char* flight;
    double services;
    const char* type = "1";
};

TDataPacket legs(std::initializer_list<Leg> rows) {
    TDataPacket p;
    p.fields = {{QStringLiteral("IDMARCVOO"), TFieldType::ftString, 1},
                {QStringLiteral("NRVOO"), TFieldType::ftString, 5},
                {QStringLiteral("SGBASEORI"), TFieldType::ftString, 5},
                {QStringLiteral("SGBASEDES"), TFieldType::ftString, 5},
                {QStringLiteral("IDTIPVOO"), TFieldType::ftString, 1},
                {QStringLiteral("QTDE_SERVICO"), TFieldType::ftFloat, 0}};
    for (const Leg& leg : rows)
        p.rows.push_back({QStringLiteral("N"), QString::fromLatin1(leg.flight),
                          QStringLiteral("GRU"), QStringLiteral("REC"),
                          QString::fromLatin1(leg.type), leg.services});
    return p;
}

TDataPacket locations(std::initializer_list<const char*> codes) {
    TDataPacket p;
    p.fields = {{QStringLiteral("IDMARCADO"), TFieldType::ftFixedChar, 1},
                {QStringLiteral("CDLOCAFATCIA"), TFieldType::ftString, 20},
                {QStringLiteral("NMLOCAFATCIA"), TFieldType::ftString, 30}};
    for (const char* code : codes)
        p.rows.push_back({QStringLiteral("N"), QString::fromLatin1(code), QStringLiteral("Teca")});
    return p;
}

} // namespace

// The screen without its creation steps (no server, no database): the grids start focused,
// so the header gate never runs.
class BillingGridsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().setPresenter(&presenter);
        stVooTrecho.clear();
        stLocalFat.clear();
        form = new TfrmApuracao();
    }
    void TearDown() override {
        delete form;
        Application().setPresenter(nullptr);
    }
    void showFlights(std::initializer_list<Leg> rows) {
        form->cdsVooTrecho->setData(legs(rows));
        form->setActiveControl(form->dbgVooTrecho);
        form->show();
    }
    void showLocations(std::initializer_list<const char*> codes) {
        form->ntbFaturamento->setPageIndex(1);
        form->cdsLocalFatu->setData(locations(codes));
        form->setActiveControl(form->dbgLocal);
        form->show();
    }
    // What the check cell of `row` draws.
    TBitmap checkMark(TDBGrid* grid, int row) {
        grid->canvas().clear();
        grid->drawCell(row, 0, QRect(10, 20, 21, 18));
        for (const auto& op : grid->canvas().operations()) {
            if (op.kind == TCanvas::Operation::Kind::BrushCopy) {
                EXPECT_EQ(op.rect.left(), 14);
                EXPECT_EQ(op.replacedColor, clOlive);
                return op.bitmap;
            }
        }
        ADD_FAILURE() << "no check mark drawn";
        return {};
    }
    TCanvas::Operation textOf(int row, int col) {
        form->dbgVooTrecho->canvas().clear();
        form->dbgVooTrecho->drawCell(row, col, QRect(0, 0, 60, 18));
        for (const auto& op : form->dbgVooTrecho->canvas().operations())
            if (op.kind == TCanvas::Operation::Kind::TextOut)
                return op;
        ADD_FAILURE() << "no text drawn";
        return {};
    }

    TScriptedPresenter presenter;
    TfrmApuracao* form = nullptr;
};

TEST_F(BillingGridsTest, AFlightIsCheckedByNumberOnEveryLegAndAsAWholeEntry) {
    showFlights({{"1000", 1}, {"1000", 2}, {"10", 1}, {"100", 1}});
    TDBGrid* grid = form->dbgVooTrecho;
    ASSERT_TRUE(grid->userClickCell(0, 0));
    EXPECT_EQ(stVooTrecho, "_1000");
    EXPECT_EQ(checkMark(grid, 1), TCheckImages::imgCheck()); // the other leg too

    ASSERT_TRUE(grid->userClickCell(3, 0));
    EXPECT_EQ(stVooTrecho, "_1000_100");
    EXPECT_EQ(checkMark(grid, 2), TCheckImages::imgUncheck()); // 10 is not 100
    EXPECT_EQ(checkMark(grid, 3), TCheckImages::imgCheck());

    ASSERT_TRUE(grid->userClickCell(1, 0));
    EXPECT_EQ(stVooTrecho, "_100");
    EXPECT_EQ(checkMark(grid, 0), TCheckImages::imgUncheck());
    // A click outside the check column toggles nothing.
    ASSERT_TRUE(grid->userClickCell(2, 1));
    EXPECT_EQ(stVooTrecho, "_100");
}

TEST_F(BillingGridsTest, CheckAllTakesOnlyLegsWithServicesAndOneToggleUnchecksAFlight) {
    showFlights({{"1010", 1}, {"1010", 3}, {"3030", 0}, {"2020", 1}});
    TDBGrid* grid = form->dbgVooTrecho;
    form->cdsVooTrecho->last();
    ASSERT_TRUE(grid->userClickTitle(0));
    EXPECT_EQ(stVooTrecho, "_1010_1010_2020");
    EXPECT_EQ(form->cdsVooTrecho->recNo(), 1);
    // The flight listed once per leg is unchecked by one toggle.
    ASSERT_TRUE(grid->userClickCell(0, 0));
    EXPECT_EQ(stVooTrecho, "_2020");
    ASSERT_TRUE(grid->userClickTitle(0));
    EXPECT_TRUE(stVooTrecho.isEmpty());
    // Ctrl+Space is the same command; other titles do not sort.
    ASSERT_TRUE(form->userKeyDown(VK_SPACE, TShiftState{false, true, false}));
    EXPECT_EQ(stVooTrecho, "_1010_1010_2020");
    ASSERT_TRUE(grid->userClickTitle(1));
    form->cdsVooTrecho->setRecNo(3);
    EXPECT_EQ(form->cdsVooTrecho->fieldByName(QStringLiteral("NRVOO")).asString(), "3030");
}

TEST_F(BillingGridsTest, ALegWithoutServicesIsRedAndRefusesTheCheck) {
    showFlights({{"1010", 1, "1"}, {"3030", 0, "2"}, {"4040", 1, "7"}});
    TDBGrid* grid = form->dbgVooTrecho;
    grid->setSelectedIndex(1);
    EXPECT_EQ(textOf(1, 1).font.color, clRed);
    EXPECT_EQ(textOf(1, 1).text, "3030");
    EXPECT_EQ(textOf(0, 2).font.color, clWindowText);
    EXPECT_EQ(textOf(0, 4).text, "Regular");
    EXPECT_EQ(textOf(1, 4).text, "Extra");
    EXPECT_EQ(textOf(2, 4).text, "Extra");
    form->cdsVooTrecho->setRecNo(2);
    EXPECT_EQ(textOf(1, 1).font.color, clWhite); // the selected cell

    EXPECT_FALSE(form->userKeyDown(VK_SPACE));
    EXPECT_EQ(presenter.errors().value(0),
              "Vôo não possui dados para apuração ou já apurado no período.");
    EXPECT_TRUE(stVooTrecho.isEmpty());
    // Not even a check-all entry of that flight can be removed by hand.
    stVooTrecho = QStringLiteral("_3030");
    EXPECT_FALSE(grid->userClickCell(1, 0));
    EXPECT_EQ(stVooTrecho, "_3030");
}

TEST_F(BillingGridsTest, TabLeavesTheFlightGridForTheEndDateAndShiftTabForTheCompany) {
    showFlights({{"1010", 1}});
    ASSERT_TRUE(form->userKeyDown(VK_TAB));
    EXPECT_EQ(form->activeControl(), form->depDataFimDeliv);
    ASSERT_TRUE(form->userFocus(*form->dbgVooTrecho));
    ASSERT_TRUE(form->userKeyDown(VK_TAB, TShiftState{true, false, false}));
    EXPECT_EQ(form->activeControl(), form->medSgCia);
}

TEST_F(BillingGridsTest, LocationsAreWholeEntriesAndCheckAllTakesEveryRow) {
    showLocations({"1", "12"});
    TDBGrid* grid = form->dbgLocal;
    ASSERT_TRUE(grid->userClickCell(1, 0));
    EXPECT_EQ(stLocalFat, "_12");
    EXPECT_EQ(checkMark(grid, 0), TCheckImages::imgUncheck());
    ASSERT_TRUE(grid->userClickCell(0, 0));
    EXPECT_EQ(stLocalFat, "_12_1");
    ASSERT_TRUE(form->userKeyDown(VK_SPACE)); // row 0 is current: unchecks 1
    EXPECT_EQ(stLocalFat, "_12");
    ASSERT_TRUE(grid->userClickTitle(0));
    EXPECT_TRUE(stLocalFat.isEmpty());
    ASSERT_TRUE(form->userKeyDown(VK_SPACE, TShiftState{false, true, false}));
    EXPECT_EQ(stLocalFat, "_1_12");
}

TEST_F(BillingGridsTest, SpaceOnAnEmptyLocationGridDoesNothing) {
    showLocations({});
    ASSERT_TRUE(form->userKeyDown(VK_SPACE));
    EXPECT_TRUE(stLocalFat.isEmpty());
}

TEST_F(BillingGridsTest, CheckColumnTitlesAreACheckMarkAndAHeavyOneForLocations) {
    const TColumn& flights = form->dbgVooTrecho->column(0);
    EXPECT_EQ(flights.title().caption, QString(QChar(0x2713)));
    EXPECT_TRUE(flights.title().font.bold);
    const TColumn& places = form->dbgLocal->column(0);
    EXPECT_EQ(places.title().caption, QString(QChar(0x2714)));
    EXPECT_FALSE(places.title().font.bold);
}
