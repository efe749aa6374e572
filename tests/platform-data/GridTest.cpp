#include "DataFixtures.h"

#include "core/EAbort.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TForm.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Op = TCanvas::Operation;

// A form with an edit before and after a flight grid with four columns.
class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>();
        before = new TEdit(form.get(), form.get());
        before->setName("before");
        grid = new TDBGrid(form.get(), form.get());
        grid->setName("grid");
        after = new TEdit(form.get(), form.get());
        after->setName("after");
        grid->setColor(clInfoBk);
        grid->setDataSource(&source);
        for (const char* name : {"NRVOO", "SGBASEORI", "IDTIPVOO", "QTDE_SERVICO"})
            grid->addColumn(name);
        cds.setData(flightPacket());
        cds.fieldByName("QTDE_SERVICO").setDisplayFormat("#,##0.00");
    }

    void press(int key, TShiftState shift = {}) { form->keyDown(key, shift); }
    QString focusName() const { return form->activeControl() ? form->activeControl()->name() : ""; }

    TClientDataSet cds;
    TDataSource source{&cds};
    std::unique_ptr<TForm> form;
    TEdit* before = nullptr;
    TDBGrid* grid = nullptr;
    TEdit* after = nullptr;
};

TEST_F(Grid, CellClickFocusesThenMovesThenNotifies) {
    before->setFocus();
    QStringList events;
    grid->OnEnter = [&](TComponent&) { events << QString("enter row %1").arg(cds.recNo()); };
    grid->OnCellClick = [&](TColumn& column) {
        events << QString("click %1 row %2").arg(column.fieldName()).arg(cds.recNo());
    };
    grid->clickCell(2, 1);
    EXPECT_EQ(events, (QStringList{"enter row 1", "click SGBASEORI row 3"}));
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_EQ(grid->currentRow(), 2);

    // A row past the last one only focuses; an OnEnter that sends the focus away stops it.
    events.clear();
    grid->clickCell(7, 0);
    EXPECT_TRUE(events.isEmpty());
    after->setFocus();
    grid->OnEnter = [&](TComponent&) { before->setFocus(); };
    grid->clickCell(0, 0);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(cds.recNo(), 3);
}

TEST_F(Grid, TitleClickNamesTheColumnAndLeavesTheRows) {
    QStringList titles;
    grid->OnTitleClick = [&](TColumn& column) { titles << column.fieldName(); };
    cds.setRecNo(2);
    grid->clickTitle(0);
    grid->clickTitle(3);
    EXPECT_EQ(titles, (QStringList{"NRVOO", "QTDE_SERVICO"}));
    EXPECT_EQ(cds.recNo(), 2);
    EXPECT_TRUE(grid->focused());

    // An abort from the handler ends the action silently through the dispatch.
    grid->OnTitleClick = [](TColumn&) { Abort(); };
    EXPECT_FALSE(grid->userClickTitle(0));
}

TEST_F(Grid, KeyHandlerSeesModifiersAndCanConsumeTheKey) {
    grid->setFocus();
    std::vector<std::pair<int, TShiftState>> seen;
    grid->OnKeyDown = [&](int& key, TShiftState shift) {
        seen.push_back({key, shift});
        if (key == VK_TAB) {
            shift.shift ? before->setFocus() : after->setFocus();
            key = 0;
        }
        if (key == VK_DOWN && shift.ctrl)
            key = 0;
    };
    press(VK_SPACE, {.ctrl = true});
    press(VK_DOWN, {.ctrl = true});
    EXPECT_EQ(cds.recNo(), 1); // consumed: the cursor did not move
    press(VK_DOWN);
    EXPECT_EQ(cds.recNo(), 2);
    press(VK_TAB, {.shift = true});
    EXPECT_EQ(focusName(), "before"); // not moved on a second time by the form
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].second.ctrl);
    EXPECT_EQ(seen[0].first, VK_SPACE);
    EXPECT_TRUE(seen[3].second.shift);
}

TEST_F(Grid, TabMovesBetweenCellsWrapsRowsAndLeavesAtTheEnds) {
    grid->column(2).setVisible(false);
    grid->setFocus();
    press(VK_TAB);
    EXPECT_EQ(grid->selectedIndex(), 1);
    press(VK_TAB); // the hidden column is skipped
    EXPECT_EQ(grid->selectedIndex(), 3);
    press(VK_TAB); // past the last column: next row, first column
    EXPECT_EQ(grid->selectedIndex(), 0);
    EXPECT_EQ(cds.recNo(), 2);
    press(VK_TAB, {.shift = true});
    EXPECT_EQ(grid->selectedIndex(), 3);
    EXPECT_EQ(cds.recNo(), 1);

    cds.last();
    grid->setSelectedIndex(3);
    press(VK_TAB); // the last cell: the focus leaves
    EXPECT_EQ(focusName(), "after");

    grid->setFocus();
    cds.first();
    grid->setSelectedIndex(0);
    press(VK_TAB, {.shift = true});
    EXPECT_EQ(focusName(), "before");

    grid->setOption(dgTabs, false); // without the option Tab leaves at once
    grid->setFocus();
    press(VK_TAB);
    EXPECT_EQ(focusName(), "after");
    EXPECT_EQ(grid->selectedIndex(), 0);
}

TEST_F(Grid, NavigationKeysAndDataLessGrids) {
    grid->setHeight(18 * 3); // the title and two rows per page
    grid->setFocus();
    press(VK_NEXT);
    EXPECT_EQ(cds.recNo(), 3);
    press(VK_PRIOR);
    EXPECT_EQ(cds.recNo(), 1);
    press(VK_END);
    EXPECT_EQ(grid->selectedIndex(), 3);
    press(VK_LEFT);
    EXPECT_EQ(grid->selectedIndex(), 2);
    press(VK_END, {.ctrl = true});
    EXPECT_EQ(cds.recNo(), 3);
    press(VK_HOME, {.ctrl = true});
    EXPECT_EQ(cds.recNo(), 1);

    TDataPacket empty = flightPacket();
    empty.rows.clear();
    cds.setData(std::move(empty));
    for (int key : {VK_DOWN, VK_UP, VK_NEXT, VK_END, VK_SPACE})
        press(key);
    grid->clickCell(0, 0);
    cds.close();
    press(VK_DOWN);
    grid->setDataSource(nullptr);
    press(VK_DOWN);
    grid->clickCell(0, 0);
    TCanvas canvas;
    grid->drawCell(0, 0, QRect(0, 0, 40, 18), canvas);
    EXPECT_TRUE(grid->focused());
}

TEST_F(Grid, DefaultDrawingFillsAndWritesTheDisplayText) {
    TCanvas canvas;
    grid->drawCell(2, 3, QRect(100, 36, 60, 18), canvas);
    ASSERT_EQ(canvas.operations().size(), 2u);
    const Op& fill = canvas.operations()[0];
    EXPECT_EQ(fill.kind, Op::Kind::FillRect);
    EXPECT_EQ(fill.rect, QRect(100, 36, 60, 18));
    EXPECT_EQ(fill.brushColor, clInfoBk);
    const Op& text = canvas.operations()[1];
    EXPECT_EQ(text.text, "5,50"); // row 3, through the display format
    EXPECT_EQ(text.position, QPoint(102, 38));
    EXPECT_EQ(text.alignment, taRightJustify);
    EXPECT_EQ(cds.recNo(), 1); // drawing never moves the cursor

    // The current cell of the focused grid draws highlighted.
    grid->setFocus();
    canvas.clear();
    grid->drawCell(0, 0, QRect(0, 18, 40, 18), canvas);
    EXPECT_EQ(canvas.operations()[0].brushColor, clHighlight);
    EXPECT_EQ(canvas.operations()[1].font.color, clHighlightText);
    EXPECT_EQ(canvas.operations()[1].text, "1000");
}

TEST_F(Grid, HandlerDrawsTheRowBeingPaintedOnTheGivenCanvas) {
    grid->setOption(dgAlwaysShowSelection, true);
    cds.setRecNo(2);
    std::vector<TGridDrawState> states;
    grid->OnDrawColumnCell = [&](const QRect& rect, int dataCol, TColumn& column,
                                 TGridDrawState state) {
        states.push_back(state);
        TCanvas& c = grid->canvas();
        c.fillRect(rect);
        if (cds.fieldByName("QTDE_SERVICO").asFloat() <= 0 && !state.selected)
            c.font().color = clRed;
        c.textOut(rect.left() + 4, rect.top() + 3, column.field()->displayText());
        EXPECT_EQ(dataCol, column.index());
    };
    TCanvas canvas;
    for (int row = 0; row < 3; ++row)
        grid->drawCell(row, 0, QRect(0, 18 * (row + 1), 43, 18), canvas);
    EXPECT_TRUE(grid->canvas().operations().empty()); // the grid's own canvas was not used
    ASSERT_EQ(canvas.operations().size(), 6u);
    EXPECT_EQ(canvas.operations()[1].font.color, clWindowText);
    EXPECT_EQ(canvas.operations()[2].brushColor, clHighlight); // row 2 is current
    EXPECT_EQ(canvas.operations()[3].font.color, clHighlightText);
    EXPECT_EQ(canvas.operations()[5].text, "200");
    EXPECT_EQ(states, (std::vector<TGridDrawState>{{}, {true, false}, {}}));

    // Row 2 has no service: red when not selected.
    cds.setRecNo(1);
    canvas.clear();
    grid->drawCell(1, 0, QRect(0, 36, 43, 18), canvas);
    EXPECT_EQ(canvas.operations()[1].font.color, clRed);
}

TEST_F(Grid, FollowsTheDataSetAndRefreshesOnceAfterADisabledWalk) {
    int repaints = 0;
    grid->addObserver([&](TControl&) { ++repaints; });
    {
        TDataSet::ControlsGuard guard(cds);
        for (cds.first(); !cds.eof(); cds.next()) {
            cds.edit();
            cds.fieldByName("IDTIPVOO").setAsString("2");
            cds.post();
        }
    }
    EXPECT_EQ(repaints, 1);
    cds.next();
    cds.first();
    EXPECT_EQ(repaints, 2);

    // Without columns of its own the grid shows every visible field.
    TDBGrid plain;
    plain.setDataSource(&source);
    cds.fieldByName("SGBASEORI").setVisible(false);
    ASSERT_EQ(plain.columnCount(), 3);
    EXPECT_EQ(plain.column(0).titleCaption(), "Vôo");
    EXPECT_EQ(plain.columnIndex("qtde_servico"), 2);
}

TEST(DBEdit, ShowsTheCurrentRowsDisplayText) {
    TClientDataSet cds;
    TDataSource source(&cds);
    TDBEdit edit;
    edit.setDataSource(&source);
    edit.setDataField("QTDE_SERVICO");
    EXPECT_EQ(edit.text(), ""); // closed
    int changes = 0;
    edit.addObserver([&](TControl&) { ++changes; });
    cds.setData(flightPacket());
    cds.fieldByName("QTDE_SERVICO").setDisplayFormat("#,##0.00");
    EXPECT_EQ(edit.text(), "2,00");
    cds.last();
    EXPECT_EQ(edit.text(), "5,50");
    EXPECT_GE(changes, 2);
    cds.close();
    EXPECT_EQ(edit.text(), "");
}

} // namespace
