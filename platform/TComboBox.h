#pragma once

#include "platform/TWinControl.h"

#include <QStringList>

// A drop-down list: the user picks one of its items.
//
// setItemIndex() is the program's choice and fires nothing, as in the component library;
// selectItem() (and Up/Down keys) is the user's and fires OnChange when the index changes.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QStringList& items() const { return m_items; }
    // Replacing the items clears the selection.
    void setItems(const QStringList& items);

    int itemIndex() const { return m_itemIndex; }
    // -1 clears the selection; other indexes out of range are ignored. No event.
    void setItemIndex(int index);
    // The selected item's text, or empty.
    QString text() const;

    // The user picks an item; fires OnChange when the index changes.
    void selectItem(int index);
    void keyDown(int& key, TShiftState shift) override;

    TNotifyEvent OnChange;

private:
    QStringList m_items;
    int m_itemIndex = -1;
};
