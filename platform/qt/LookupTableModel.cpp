#include "platform/qt/LookupTableModel.h"

#include "platform/TDataSet.h"
#include "platform/TField.h"

#include <algorithm>

namespace qtview {

LookupTableModel::LookupTableModel(TDataSet& data, QObject* parent)
    : QAbstractTableModel(parent)
    , m_data(data) {
    for (TField* field : data.fields()) {
        if (field->visible())
            m_fields.push_back(field);
    }
}

int LookupTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_data.active() ? 0 : m_data.recordCount();
}

int LookupTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant LookupTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    TField* field = m_fields[std::size_t(index.column())];
    if (role == Qt::TextAlignmentRole) {
        const bool numeric =
            field->dataType() == TFieldType::ftFloat || field->dataType() == TFieldType::ftInteger;
        return QVariant::fromValue((numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    TDataSet::DisplayRow row(m_data, index.row());
    return field->displayText();
}

QVariant LookupTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    return m_fields[std::size_t(section)]->displayLabel();
}

int LookupTableModel::preferredWidth(int column, int characterWidth) const {
    const TField* field = m_fields[std::size_t(column)];
    int characters = field->displayWidth() > 0 ? field->displayWidth() : field->size();
    if (characters <= 0)
        characters = 12;
    characters = std::clamp(characters, int(field->displayLabel().size()) + 2, 40);
    return characters * characterWidth + 8;
}

} // namespace qtview
