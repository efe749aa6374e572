#pragma once

#include "platform/qt/ControlBinder.h"

class QCheckBox;
class TCheckBox;

namespace qtview {

// A check box: a click focuses it and toggles it in the model; Space reaches the model's
// key handling, which toggles it too.
class CheckBoxBinder : public ControlBinder {
public:
    CheckBoxBinder(FormView& view, TCheckBox& box, QWidget* parent);

    void sync() override;
    bool mousePress(QWidget* target, QMouseEvent& event) override;

private:
    QCheckBox* box() const;
};

} // namespace qtview
