#include "platform/qt/GridTableModel.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TColumn.h"
#include "platform/TDataSet.h"
#include "platform/TDBGrid.h"
#include "platform/TField.h"

namespace qtview {

namespace {
Qt::Alignment alignmentOf(TAlignment alignment) {
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}
} // namespace

GridTableModel::GridTableModel(TDBGrid* grid, QObject* parent)
    : QAbstractTableModel(parent)
    , m_grid(grid) {
    m_shape = currentShape();
}

void GridTableModel::detach() {
    beginResetModel();
    m_grid = nullptr;
    m_shape = Shape{};
    endResetModel();
}

GridTableModel::Shape GridTableModel::currentShape() const {
    Shape shape;
    if (!m_grid)
        return shape;
    shape.dataSet = m_grid->dataSet();
    shape.rows = m_grid->rowCount();
    for (const TColumn* column : m_grid->columns())
        shape.columns << column->fieldName();
    return shape;
}

void GridTableModel::refresh() {
    const Shape shape = currentShape();
    if (shape != m_shape) {
        beginResetModel();
        m_shape = shape;
        endResetModel();
        return;
    }
    if (m_shape.rows > 0 && !m_shape.columns.isEmpty())
        emit dataChanged(index(0, 0), index(m_shape.rows - 1, int(m_shape.columns.size()) - 1));
    const int indicator = m_grid ? m_grid->currentRow() : -1;
    if (indicator != m_indicatorRow) {
        const int first = qMax(0, qMin(indicator, m_indicatorRow));
        const int last = qMin(m_shape.rows - 1, qMax(indicator, m_indicatorRow));
        m_indicatorRow = indicator;
        if (last >= first)
            emit headerDataChanged(Qt::Vertical, first, last);
    }
    emit headerDataChanged(Qt::Horizontal, 0, int(m_shape.columns.size()) - 1);
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shape.rows;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shape.columns.size());
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
    if (!m_grid || !index.isValid() || index.row() >= m_grid->rowCount() ||
        index.column() >= m_grid->columnCount())
        return {};
    TColumn& column = m_grid->column(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentOf(column.alignment()));
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    TField* field = column.field();
    TDataSet* dataSet = m_grid->dataSet();
    if (!field || !dataSet)
        return {};
    TDataSet::DisplayRow row(*dataSet, index.row());
    return field->displayText();
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!m_grid)
        return {};
    if (orientation == Qt::Vertical) {
        // The indicator column marks the current row.
        if (role == Qt::DisplayRole)
            return section == m_grid->currentRow() ? QStringLiteral("\u25B6") : QString();
        return {};
    }
    if (section < 0 || section >= m_grid->columnCount())
        return {};
    const TColumn& column = m_grid->column(section);
    const TColumn::Title& title = column.title();
    switch (role) {
    case Qt::DisplayRole:
        return ViewStyle::isSymbolFont(title.font.name)
                   ? ViewStyle::symbolText(column.titleCaption())
                   : column.titleCaption();
    case Qt::FontRole: {
        QFont font = ViewStyle::font(title.font);
        return font;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(title.alignment));
    default:
        return {};
    }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace qtview
