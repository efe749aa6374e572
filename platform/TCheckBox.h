#pragma once

#include "platform/TWinControl.h"

#include <QString>

// A box the user ticks. As in the component library, a change of checked, by the program or
// by a click, fires OnClick.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

    bool checked() const { return m_checked; }
    // Fires OnClick when the state changes.
    void setChecked(bool checked);

    // Toggles the box when enabled (which fires OnClick).
    void click() override;
    // Space toggles the box.
    void keyDown(int& key, TShiftState shift) override;

private:
    QString m_caption;
    bool m_checked = false;
};
