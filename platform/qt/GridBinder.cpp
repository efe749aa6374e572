#include "platform/qt/GridBinder.h"

#include "platform/qt/GridCellDelegate.h"
#include "platform/qt/GridTableModel.h"
#include "platform/TDBGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

namespace qtview {

GridBinder::GridBinder(FormView& view, TDBGrid& grid, QWidget* parent)
    : ControlBinder(view, grid, new QTableView(parent))
    , m_model(new GridTableModel(&grid, widget())) {
    QTableView* t = table();
    t->setModel(m_model);
    t->setItemDelegate(new GridCellDelegate(*m_model, t));
    // The model's current cell is the selection; the drawing handler paints it.
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setTabKeyNavigation(false);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    t->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setMinimumSectionSize(1);
    t->verticalHeader()->setDefaultSectionSize(TDBGrid::defaultRowHeight);
    t->verticalHeader()->setFixedWidth(12);
    t->horizontalHeader()->setMinimumSectionSize(8);
    // The screens' column widths leave little room beside a title: keep the padding small
    // so that the titles are not cut.
    t->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { padding: 1px 2px; border: none;"
                       " border-right: 1px solid #b4b4b4; border-bottom: 1px solid #b4b4b4;"
                       " background: #ececec; }"));
    t->horizontalHeader()->setHighlightSections(false);
    t->horizontalHeader()->setSectionsClickable(true);
    t->horizontalHeader()->setFocusPolicy(Qt::NoFocus);
    t->verticalHeader()->setFocusPolicy(Qt::NoFocus);
    t->viewport()->setFocusPolicy(Qt::NoFocus);
    QObject::connect(t->horizontalHeader(), &QHeaderView::sectionClicked, t, [this](int section) {
        post([this, section] { this->grid().userClickTitle(section); });
    });
}

GridBinder::~GridBinder() = default;

QTableView* GridBinder::table() const {
    return static_cast<QTableView*>(widget());
}

TDBGrid& GridBinder::grid() const {
    return static_cast<TDBGrid&>(control());
}

QList<QWidget*> GridBinder::inputWidgets() const {
    return {table(), table()->viewport()};
}

void GridBinder::detach() {
    ControlBinder::detach();
    m_model->detach();
}

void GridBinder::syncColumns() {
    const TDBGrid& model = grid();
    QHeaderView* header = table()->horizontalHeader();
    for (int i = 0; i < model.columnCount() && i < m_model->columnCount(); ++i) {
        const TColumn& column = model.column(i);
        if (table()->isColumnHidden(i) == column.visible())
            table()->setColumnHidden(i, !column.visible());
        if (header->sectionSize(i) != column.width())
            header->resizeSection(i, column.width());
    }
}

void GridBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const TDBGrid& model = grid();
    m_model->refresh();
    syncColumns();
    QTableView* t = table();
    t->horizontalHeader()->setVisible(model.hasOption(dgTitles));
    t->verticalHeader()->setVisible(model.hasOption(dgIndicator));
    t->setShowGrid(model.hasOption(dgColLines) || model.hasOption(dgRowLines));
    const int row = model.currentRow();
    const int col = model.selectedIndex();
    if (row >= 0 && row < m_model->rowCount() && col >= 0 && col < m_model->columnCount()) {
        const QModelIndex current = m_model->index(row, col);
        if (t->currentIndex() != current)
            t->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        // Only a move of the cursor scrolls; a repaint leaves the user's scrolling alone.
        if (row != m_shownRow)
            t->scrollTo(m_model->index(row, t->columnAt(0) >= 0 ? t->columnAt(0) : col));
    }
    m_shownRow = row;
    t->viewport()->update();
}

bool GridBinder::mousePress(QWidget* target, QMouseEvent& event) {
    if (target != table()->viewport() || event.button() != Qt::LeftButton)
        return target == table()->viewport();
    const QModelIndex at = table()->indexAt(event.position().toPoint());
    const int row = at.isValid() ? at.row() : -1;
    const int col = at.isValid() ? at.column() : -1;
    post([this, row, col] { grid().userClickCell(row, col); });
    return true;
}

} // namespace qtview
