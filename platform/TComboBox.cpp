#include "platform/TComboBox.h"

TComboBox::TComboBox(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    setColor(clWindow);
}

void TComboBox::setItems(const QStringList& items) {
    m_items = items;
    m_itemIndex = -1;
    changed();
}

void TComboBox::setItemIndex(int index) {
    if (index < -1 || index >= m_items.size() || index == m_itemIndex)
        return;
    m_itemIndex = index;
    changed();
}

QString TComboBox::text() const {
    return m_itemIndex >= 0 ? m_items.at(m_itemIndex) : QString();
}

void TComboBox::selectItem(int index) {
    if (!enabled() || index < 0 || index >= m_items.size() || index == m_itemIndex)
        return;
    setItemIndex(index);
    if (OnChange)
        OnChange(*this);
}

void TComboBox::keyDown(int& key, TShiftState shift) {
    if (shift.alt || shift.ctrl)
        return;
    if (key == VK_DOWN) {
        selectItem(m_itemIndex + 1);
        key = 0;
    } else if (key == VK_UP && m_itemIndex > 0) {
        selectItem(m_itemIndex - 1);
        key = 0;
    }
}
