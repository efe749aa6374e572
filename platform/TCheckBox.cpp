#include "platform/TCheckBox.h"

TCheckBox::TCheckBox(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {}

void TCheckBox::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}

void TCheckBox::setChecked(bool checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    changed();
    if (OnClick)
        OnClick(*this);
}

void TCheckBox::click() {
    if (enabled())
        setChecked(!m_checked);
}

void TCheckBox::keyDown(int& key, TShiftState shift) {
    if (key == VK_SPACE && !shift.ctrl && !shift.alt) {
        click();
        key = 0;
    }
}
