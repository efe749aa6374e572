#pragma once

#include <QDialog>

class QTableView;
class TDataSet;

namespace qtview {

class LookupTableModel;

// The lookup list of a lookup button: the dataset's visible fields under their display
// labels, opened on the dataset's current row. Arrows, pages and typing the start of a
// value move the selection; Enter or a double click chooses, Esc cancels. Choosing leaves
// the dataset on the chosen row.
class LookupDialog : public QDialog {
    Q_OBJECT
public:
    LookupDialog(TDataSet& data, const QString& title, QWidget* parent = nullptr);

    // Runs the dialog; true when a row was chosen (the dataset is then on it).
    bool choose();
    QTableView* table() const { return m_table; }
    int selectedRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TDataSet& m_data;
    LookupTableModel* m_model;
    QTableView* m_table;
};

} // namespace qtview
