#pragma once

#include "platform/qt/ControlBinder.h"

class QLabel;
class TLabel;

namespace qtview {

// A caption. It grows to its text, as an auto-sized label does, so that no caption is cut; one
// wider than its whole container gets a smaller font.
class LabelBinder : public ControlBinder {
public:
    LabelBinder(FormView& view, TLabel& label, QWidget* parent);

    void sync() override;
    bool isGraphic() const override { return true; }
    QList<QWidget*> inputWidgets() const override { return {}; }

private:
    QLabel* label() const;
    void fitFont(const QString& text);
};

} // namespace qtview
