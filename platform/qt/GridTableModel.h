#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class TDBGrid;

namespace qtview {

// The table model a QTableView reads a data grid through: one row per dataset row, one
// column per grid column, titles from the columns (a symbol-font check-mark title becomes
// the check mark), read-only. It holds no data of its own: every call reads the dataset.
class GridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridTableModel(TDBGrid* grid, QObject* parent = nullptr);

    TDBGrid* grid() const { return m_grid; }
    // The grid is going away.
    void detach();
    // Catches up with the dataset: a reset when rows, columns or the dataset changed,
    // otherwise a repaint of what is shown.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Shape {
        const void* dataSet = nullptr;
        int rows = 0;
        QStringList columns;
        bool operator==(const Shape&) const = default;
    };
    Shape currentShape() const;

    TDBGrid* m_grid;
    Shape m_shape;
    int m_indicatorRow = -1;
};

} // namespace qtview
