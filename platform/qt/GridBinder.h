#pragma once

#include "platform/qt/ControlBinder.h"

class QTableView;
class TDBGrid;

namespace qtview {

class GridTableModel;

// A data grid on a QTableView. Clicks on cells and titles and every key go to the model's
// grid; the current cell is the model's, painted by the grid's drawing handler.
class GridBinder : public ControlBinder {
public:
    GridBinder(FormView& view, TDBGrid& grid, QWidget* parent);
    ~GridBinder() override;

    void sync() override;
    QList<QWidget*> inputWidgets() const override;
    bool mousePress(QWidget* target, QMouseEvent& event) override;
    void detach() override;

    QTableView* table() const;

protected:
    QPalette::ColorRole backgroundRole() const override { return QPalette::Base; }

private:
    TDBGrid& grid() const;
    void syncColumns();

    GridTableModel* m_model;
    int m_shownRow = -2;
};

} // namespace qtview
