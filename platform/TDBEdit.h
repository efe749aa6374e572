#pragma once

#include "platform/TControl.h"

#include <QString>

class TDataSource;
class TDataSet;
class TField;

// Shows one field of a data source's current row. Read-only: the screens only display
// through it. The text follows the dataset (moves, loads, edits, close).
class TDBEdit : public TControl {
public:
    explicit TDBEdit(TComponent* owner = nullptr, TWinControl* parent = nullptr);
    ~TDBEdit() override;

    TDataSource* dataSource() const { return m_dataSource; }
    void setDataSource(TDataSource* source);
    const QString& dataField() const { return m_dataField; }
    void setDataField(const QString& fieldName);
    // The field shown, or nullptr (no source, dataset closed, unknown name).
    TField* field() const;

    // The field's display text on the current row; empty without a row.
    QString text() const;
    bool readOnly() const { return true; }

private:
    void detachSource();

    TDataSource* m_dataSource = nullptr;
    int m_sourceObserver = 0;
    QString m_dataField;
};
