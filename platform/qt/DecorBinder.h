#pragma once

#include "platform/qt/ControlBinder.h"

class TControl;

namespace qtview {

// Display-only controls: images (the olive of a picture shown transparent), bevels, the
// wait animation, and any control kind the view does not know, shown as an empty area.
class DecorBinder : public ControlBinder {
public:
    DecorBinder(FormView& view, TControl& control, QWidget* parent);

    void sync() override;
    bool isGraphic() const override { return true; }
    QList<QWidget*> inputWidgets() const override { return {}; }
    QWidget* focusWidget() const override { return nullptr; }
    bool mousePress(QWidget*, QMouseEvent&) override { return false; }

private:
    static QWidget* createWidget(TControl& control, QWidget* parent);
    const void* m_shownPicture = nullptr;
};

} // namespace qtview
