#include "platform/TColumn.h"

#include "platform/TDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TDBGrid.h"

TColumn::TColumn(TDBGrid& grid, const QString& fieldName)
    : m_grid(grid)
    , m_fieldName(fieldName) {}

int TColumn::index() const {
    const auto& columns = m_grid.columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == this)
            return int(i);
    }
    return -1;
}

TField* TColumn::field() const {
    TDataSet* dataSet = m_grid.dataSet();
    return dataSet ? dataSet->findField(m_fieldName) : nullptr;
}

QString TColumn::titleCaption() const {
    if (!m_title.caption.isEmpty())
        return m_title.caption;
    if (const TField* f = field())
        return f->displayLabel();
    return m_fieldName;
}

int TColumn::width() const {
    if (m_width)
        return *m_width;
    if (const TField* f = field(); f && f->displayWidth() > 0)
        return f->displayWidth() * 7;
    return 64;
}

void TColumn::setWidth(int width) {
    m_width = width;
    m_grid.changed();
}

TAlignment TColumn::alignment() const {
    if (m_alignment)
        return *m_alignment;
    const TField* f = field();
    if (f && (f->dataType() == TFieldType::ftFloat || f->dataType() == TFieldType::ftInteger))
        return taRightJustify;
    return taLeftJustify;
}

void TColumn::setAlignment(TAlignment alignment) {
    m_alignment = alignment;
    m_grid.changed();
}

void TColumn::setVisible(bool visible) {
    m_visible = visible;
    m_grid.changed();
}
