#pragma once

#include <QStyledItemDelegate>

namespace qtview {

class GridTableModel;

// Paints each cell by running the grid's drawing (the screen's OnDrawColumnCell handler, or
// the default text) on a recording canvas and replaying it with the painter.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridCellDelegate(GridTableModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    GridTableModel& m_model;
};

} // namespace qtview
