#pragma once

#include "platform/qt/ControlBinder.h"

class TWinControl;

namespace qtview {

// Panels, group boxes, notebook pages and any other control that only holds controls. A
// container never shows the focus itself (the form does while the model's focus rests on a
// container) and a click on its background does nothing.
class ContainerBinder : public ControlBinder {
public:
    ContainerBinder(FormView& view, TWinControl& container, QWidget* parent);

    void sync() override;
    QWidget* childParent(const TControl& child) const override;
    QList<QWidget*> inputWidgets() const override { return {}; }
    QWidget* focusWidget() const override { return nullptr; }
    bool mousePress(QWidget*, QMouseEvent&) override { return false; }

    // A notebook page: the notebook places and sizes it.
    void setPlacedByParent(bool placed) { m_placedByParent = placed; }

protected:
    bool fillsBackground() const override;

private:
    static QWidget* createWidget(TWinControl& container, QWidget* parent);
    bool m_placedByParent = false;
};

} // namespace qtview
