#include "ViewFixture.h"

#include "platform/qt/FormView.h"
#include "platform/qt/GridBinder.h"
#include "platform/TCanvas.h"
#include "platform/TCheckImages.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TField.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

TFieldDef def(const QString& name, const QString& label, int size = 5,
              TFieldType type = TFieldType::ftString) {
    TFieldDef d;
    d.name = name;
    d.type = type;
    d.size = size;
    d.displayLabel = label;
    return d;
}

// A flight grid as the selection screens draw it: a check column painted from the check
// images, legs without services in red, the selected cell in white on the highlight.
class QtGrid : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        edtTop = make<TEdit>("edtTop", form.get());
        edtTop->setBounds(8, 8, 80, 21);
        edtTop->setTabStop(true);
        data = new TClientDataSet(form.get());
        source = new TDataSource(data, form.get());
        grid = make<TDBGrid>("dbgVoos", form.get());
        grid->setBounds(8, 40, 300, 200);
        grid->setDataSource(source);
        grid->setColor(clInfoBk);
        grid->setOptions(
            {dgTitles, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgAlwaysShowSelection});
        TColumn& mark = grid->addColumn(QStringLiteral("IDMARCVOO"));
        mark.setWidth(21);
        mark.title().caption = QStringLiteral("3");
        mark.title().font.name = QStringLiteral("Monotype Sorts");
        mark.title().alignment = taCenter;
        grid->addColumn(QStringLiteral("NRVOO")).setWidth(43);
        grid->addColumn(QStringLiteral("SGBASEORI")).setWidth(65);
        grid->OnDrawColumnCell = [this](const QRect& rect, int col, TColumn& column,
                                        TGridDrawState state) { draw(rect, col, column, state); };
        grid->OnCellClick = [this](TColumn& column) {
            if (column.fieldName() == QLatin1String("IDMARCVOO"))
                toggle(data->fieldByName(QStringLiteral("NRVOO")).asString());
        };
        grid->OnTitleClick = [this](TColumn& column) { titleClicks << column.fieldName(); };
        grid->OnKeyDown = [this](int& key, TShiftState) {
            if (key == VK_SPACE) {
                toggle(data->fieldByName(QStringLiteral("NRVOO")).asString());
                key = 0;
            }
        };
        grid->setTabStop(true);
        form->setActiveControl(edtTop);

        TDataPacket packet;
        packet.fields = {def("IDMARCVOO", "3", 1), def("NRVOO", "Vôo"),
                         def("SGBASEORI", "Base Origem"),
                         def("QTDE_SERVICO", "", 0, TFieldType::ftFloat)};
        packet.rows = {{QString("N"), QString("1000"), QString("GRU"), 2.0},
                       {QString("N"), QString("1000"), QString("REC"), 0.0},
                       {QString("N"), QString("200"), QString("GIG"), 5.5}};
        data->setData(std::move(packet));
    }

    void toggle(const QString& flight) {
        const QString entry = QLatin1Char('_') + flight;
        checked.contains(entry) ? checked.remove(entry) : checked.append(entry);
        grid->refresh();
    }

    void draw(const QRect& rect, int, TColumn& column, TGridDrawState state) {
        TCanvas& canvas = grid->canvas();
        canvas.fillRect(rect);
        if (column.fieldName() == QLatin1String("IDMARCVOO")) {
            const bool on =
                checked.contains(QLatin1Char('_') + data->fieldByName("NRVOO").asString());
            const TBitmap& image = on ? TCheckImages::imgCheck() : TCheckImages::imgUncheck();
            canvas.brushCopy(QRect(rect.left() + 4, rect.top(), 16, rect.height()), image,
                             QRect(0, 0, 16, rect.height()), clOlive);
            return;
        }
        canvas.font().color =
            state.selected ? clWhite
                           : (data->fieldByName("QTDE_SERVICO").asFloat() > 0 ? clBlack : clRed);
        canvas.textOut(rect.left() + 4, rect.top() + 3, column.field()->displayText());
    }

    QTableView* table() const { return widget<QTableView>(grid); }
    QRect cell(int row, int col) const {
        return table()->visualRect(table()->model()->index(row, col));
    }
    QImage shot() const { return table()->viewport()->grab().toImage(); }
    QWidget* gridViewport() const { return table()->viewport(); }
    // Whether a pixel of the cell has this colour (text is antialiased: near it will do).
    bool cellHas(const QImage& image, int row, int col, QColor color, int tolerance = 0) const {
        const QRect r = cell(row, col);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (qAbs(c.red() - color.red()) <= tolerance &&
                    qAbs(c.green() - color.green()) <= tolerance &&
                    qAbs(c.blue() - color.blue()) <= tolerance)
                    return true;
            }
        }
        return false;
    }

    TEdit* edtTop = nullptr;
    TClientDataSet* data = nullptr;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
    QString checked;
    QStringList titleClicks;
};

TEST_F(QtGrid, ShowsTheDataSetReadOnlyWithTheFormsTitlesAndWidths) {
    show();
    QTableView* t = table();
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->model()->rowCount(), 3);
    ASSERT_EQ(t->model()->columnCount(), 3);
    EXPECT_EQ(t->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("\u2713"));
    EXPECT_EQ(t->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Vôo"));
    EXPECT_EQ(t->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Base Origem"));
    EXPECT_EQ(t->model()->data(t->model()->index(2, 2)).toString(), QStringLiteral("GIG"));
    EXPECT_EQ(t->horizontalHeader()->sectionSize(0), 21);
    EXPECT_EQ(t->horizontalHeader()->sectionSize(1), 43);
    EXPECT_EQ(t->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(t->model()->flags(t->model()->index(0, 1)).testFlag(Qt::ItemIsEditable));

    // A new packet with another row count is picked up.
    TDataPacket more = data->data();
    more.rows.push_back({QString("N"), QString("300"), QString("POA"), 1.0});
    data->setData(std::move(more));
    EXPECT_EQ(t->model()->rowCount(), 4);
}

TEST_F(QtGrid, PaintsCellsByReplayingTheDrawHandler) {
    show();
    QImage image = shot();
    // The check image: its black frame is there, its olive is not (the brush shows instead).
    EXPECT_TRUE(cellHas(image, 1, 0, Qt::black));
    EXPECT_FALSE(cellHas(image, 1, 0, QColor(128, 128, 0)));
    EXPECT_TRUE(cellHas(image, 1, 0, QColor(255, 255, 225)));
    // The leg without services is written in red.
    EXPECT_TRUE(cellHas(image, 1, 2, Qt::red, 90));
    EXPECT_FALSE(cellHas(image, 2, 2, Qt::red, 90));

    // With the grid focused the current cell is the highlight with white text.
    gui::click(gridViewport(), cell(2, 2).center());
    image = shot();
    EXPECT_TRUE(cellHas(image, 2, 2, QColor(0, 120, 215)));
    EXPECT_TRUE(cellHas(image, 2, 2, Qt::white, 40));
    EXPECT_FALSE(cellHas(image, 1, 2, QColor(0, 120, 215)));
}

TEST_F(QtGrid, ClicksAndKeysGoToTheModelsGrid) {
    show();
    // Clicking the check column focuses the grid, moves to the row and checks the flight,
    // and the mark is painted on every leg of that flight.
    const QImage before = shot();
    gui::click(gridViewport(), cell(1, 0).center());
    EXPECT_EQ(form->activeControl(), grid);
    EXPECT_EQ(gui::focused(), table());
    EXPECT_EQ(data->recNo(), 2);
    EXPECT_EQ(checked, QStringLiteral("_1000"));
    const QImage after = shot();
    EXPECT_NE(before.copy(cell(0, 0)), after.copy(cell(0, 0)));
    EXPECT_EQ(before.copy(cell(2, 0)), after.copy(cell(2, 0)));

    // Keys: Down moves the cursor, Space runs the grid's key handler.
    gui::pressKey(table(), Qt::Key_Down);
    EXPECT_EQ(data->recNo(), 3);
    EXPECT_EQ(table()->currentIndex().row(), 2);
    gui::pressKey(table(), Qt::Key_Space);
    EXPECT_EQ(checked, QStringLiteral("_1000_200"));

    // A title click reaches OnTitleClick.
    QHeaderView* header = table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    gui::settle();
    EXPECT_EQ(titleClicks, QStringList{QStringLiteral("NRVOO")});
    EXPECT_EQ(form->activeControl(), grid);
}

} // namespace
