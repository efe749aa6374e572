#pragma once

#include "platform/qt/ControlBinder.h"

class QStackedWidget;
class TNotebook;

namespace qtview {

// A notebook: a stack of its pages showing the active one.
class NotebookBinder : public ControlBinder {
public:
    NotebookBinder(FormView& view, TNotebook& notebook, QWidget* parent);

    void sync() override;
    QWidget* childParent(const TControl& child) const override;
    QList<QWidget*> inputWidgets() const override { return {}; }
    QWidget* focusWidget() const override { return nullptr; }
    bool mousePress(QWidget*, QMouseEvent&) override { return false; }
    void addPage(QWidget* page);

private:
    QStackedWidget* stack() const;
};

} // namespace qtview
