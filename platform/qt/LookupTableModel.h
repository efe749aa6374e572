#pragma once

#include <QAbstractTableModel>

#include <vector>

class TDataSet;
class TField;

namespace qtview {

// The rows of a lookup's dataset as a read-only table: its visible fields, titled with
// their display labels, showing their display texts.
class LookupTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LookupTableModel(TDataSet& data, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Width in pixels a column wants: its display width or size in characters.
    int preferredWidth(int column, int characterWidth) const;

private:
    TDataSet& m_data;
    std::vector<TField*> m_fields;
};

} // namespace qtview
