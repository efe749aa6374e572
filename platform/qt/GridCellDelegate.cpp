#include "platform/qt/GridCellDelegate.h"

#include "platform/qt/CanvasReplay.h"
#include "platform/qt/GridTableModel.h"
#include "platform/TCanvas.h"
#include "platform/TDBGrid.h"

#include <QPainter>

#include <exception>

namespace qtview {

GridCellDelegate::GridCellDelegate(GridTableModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_model(model) {}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    TDBGrid* grid = m_model.grid();
    if (!grid)
        return;
    TCanvas canvas;
    try {
        grid->drawCell(index.row(), index.column(), option.rect, canvas);
    } catch (const std::exception&) {
        // A handler that fails while painting must not take the event loop with it; the
        // cell shows what was drawn before the failure.
    }
    painter->save();
    painter->setClipRect(option.rect);
    CanvasReplay::replay(canvas, *painter);
    painter->restore();
}

} // namespace qtview
