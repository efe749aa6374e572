#pragma once

#include "platform/qt/ControlBinder.h"

class QToolButton;
class TSpeedButton;

namespace qtview {

// Speed buttons, the command button and the lookup buttons. They never take the focus: a
// click runs the model's click with the focus left where it was.
class ButtonBinder : public ControlBinder {
public:
    ButtonBinder(FormView& view, TSpeedButton& button, QWidget* parent);

    void sync() override;
    bool isGraphic() const override { return true; }

protected:
    QPalette::ColorRole backgroundRole() const override { return QPalette::Button; }

private:
    QToolButton* button() const;
};

} // namespace qtview
