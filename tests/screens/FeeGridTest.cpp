// The invoice grid of the fee screen: toggles, inversions, reloads and the check column's
// drawing.
#include "tests/screens/FeeHarness.h"

#include "external/shared/TDateEditPlus.h"
#include "platform/TCanvas.h"
#include "platform/TCheckImages.h"
#include "platform/TClientDataSet.h"
#include "platform/TColumn.h"
#include "platform/TDBGrid.h"
#include "platform/TMaskEdit.h"
#include "platform/TShiftState.h"
#include "screens/fee/TfrmApurac.h"

using FeeGridTest = FeeHarness;

TEST_F(FeeGridTest, ClicksSpaceAndInversions) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        TDBGrid& grid = *fee.dbgNotas;
        // A click on the check cell toggles; elsewhere it only moves the row.
        check(fee, {0, 2});
        EXPECT_EQ(marks(fee), "SNS");
        ASSERT_TRUE(grid.userClickCell(1, 1));
        EXPECT_EQ(marks(fee), "SNS");
        EXPECT_EQ(fee.cdsNotasApuradas->recNo(), 2);

        // The title inverts every row and leaves the first current.
        ASSERT_TRUE(grid.userClickTitle(0));
        EXPECT_EQ(marks(fee), "NSN");
        EXPECT_EQ(fee.cdsNotasApuradas->recNo(), 1);
        ASSERT_TRUE(grid.userClickTitle(1)); // another title does nothing
        EXPECT_EQ(marks(fee), "NSN");

        // Ctrl+Space does the same; Space toggles the current row whatever column is current.
        int key = VK_SPACE;
        grid.setSelectedIndex(2);
        grid.keyDown(key, TShiftState{.ctrl = true});
        EXPECT_EQ(marks(fee), "SNS");
        fee.cdsNotasApuradas->setRecNo(2);
        key = VK_SPACE;
        grid.keyDown(key, TShiftState{});
        EXPECT_EQ(marks(fee), "SSS");

        // A mark that is neither S nor N becomes S.
        fee.cdsNotasApuradas->setRecNo(3);
        fee.cdsNotasApuradas->edit();
        fee.cdsNotasApuradas->fieldByName(QStringLiteral("IDCHECK")).setAsString(QString());
        fee.cdsNotasApuradas->post();
        EXPECT_EQ(marks(fee), "SS.");
        key = VK_SPACE;
        grid.keyDown(key, TShiftState{});
        EXPECT_EQ(marks(fee), "SSS");

        // Back to the header and into the grid again: the server's marks return.
        ASSERT_TRUE(focus(*fee.depDataIni));
        EXPECT_FALSE(fee.cdsNotasApuradas->active());
        ASSERT_TRUE(focus(*fee.dbgNotas));
        EXPECT_EQ(marks(fee), "NNN");
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeGridTest, SpaceOnACheckedRowUnchecksIt) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {1});
        ASSERT_EQ(marks(fee), "NSN");
        ASSERT_EQ(fee.cdsNotasApuradas->recNo(), 2);
        EXPECT_TRUE(fee.dbgNotas->form()->userKeyDown(VK_SPACE));
        EXPECT_EQ(marks(fee), "NNN");
        EXPECT_EQ(fee.cdsNotasApuradas->recNo(), 2);
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeGridTest, TheCheckColumnTitleIsACheckMark) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        EXPECT_EQ(fee.dbgNotas->column(0).title().caption, QString(QChar(0x2713)));
    }));
}

TEST_F(FeeGridTest, EnteringTheGridPutsBackTheCompanysSeries) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        ASSERT_TRUE(type(*fee.medSerie, QStringLiteral("2")));
        ASSERT_TRUE(focus(*fee.depDataFatur));
        EXPECT_EQ(fee.medSerie->text(), "2");
        ASSERT_TRUE(focus(*fee.dbgNotas));
        EXPECT_EQ(fee.medSerie->text(), "1");
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeGridTest, EmptyOrClosedGridIgnoresTheCommands) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        int key = VK_SPACE;
        fee.dbgNotas->keyDown(key, TShiftState{.ctrl = true});
        fee.dbgNotasTitleClick(fee.dbgNotas->column(0));
        fee.dbgNotasCellClick(fee.dbgNotas->column(0));
        fee.AlteraCheck();
        EXPECT_FALSE(fee.cdsNotasApuradas->active());
        // A customer without invoices in the period: an open, empty grid.
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01012023")));
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("31012023")));
        ASSERT_TRUE(focus(*fee.dbgNotas));
        EXPECT_TRUE(fee.cdsNotasApuradas->active());
        EXPECT_TRUE(fee.cdsNotasApuradas->isEmpty());
        key = VK_SPACE;
        fee.dbgNotas->keyDown(key, TShiftState{});
        EXPECT_TRUE(fee.cdsNotasApuradas->isEmpty());
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeGridTest, TheCheckCellIsDrawnTwoPixelsInWithNoMarkForOtherValues) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {0});
        fee.cdsNotasApuradas->setRecNo(3);
        fee.cdsNotasApuradas->edit();
        fee.cdsNotasApuradas->fieldByName(QStringLiteral("IDCHECK")).setAsString("X");
        fee.cdsNotasApuradas->post();

        TDBGrid& grid = *fee.dbgNotas;
        const QRect cell(10, 20, 22, 18);
        const auto drawn = [&](int row) {
            TCanvas canvas;
            grid.drawCell(row, 0, cell, canvas);
            return canvas.operations();
        };
        const auto checked = drawn(0);
        ASSERT_EQ(checked.size(), 2u);
        EXPECT_EQ(checked[0].kind, TCanvas::Operation::Kind::FillRect);
        EXPECT_EQ(checked[0].rect, cell);
        ASSERT_EQ(checked[1].kind, TCanvas::Operation::Kind::BrushCopy);
        EXPECT_EQ(checked[1].rect, QRect(12, 20, 16, 18));
        EXPECT_EQ(checked[1].sourceRect, QRect(0, 0, 16, 18));
        EXPECT_EQ(checked[1].replacedColor, clOlive);
        EXPECT_TRUE(checked[1].bitmap == TCheckImages::imgCheck());
        const auto unchecked = drawn(1);
        ASSERT_EQ(unchecked.size(), 2u);
        EXPECT_TRUE(unchecked[1].bitmap == TCheckImages::imgUncheck());
        const auto other = drawn(2);
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(other[0].kind, TCanvas::Operation::Kind::FillRect);
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}
