#pragma once

#include "platform/qt/ControlBinder.h"

class QComboBox;
class TComboBox;

namespace qtview {

// A drop-down list. The first click focuses it through the model and then opens the list; a
// pick from the list is the user's choice (the model's selectItem, which fires OnChange).
class ComboBoxBinder : public ControlBinder {
public:
    ComboBoxBinder(FormView& view, TComboBox& combo, QWidget* parent);

    void sync() override;
    void key(const KeyInput& input) override;

protected:
    QPalette::ColorRole backgroundRole() const override { return QPalette::Button; }
    void focusedByClick(QWidget* where, const QPoint& at) override;

private:
    QComboBox* combo() const;
    TComboBox& model() const;
};

} // namespace qtview
