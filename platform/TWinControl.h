#pragma once

#include "platform/TControl.h"

#include <vector>

// A control that holds other controls. Children keep their creation order (for drawing and
// traversal) and a separate tab order (for Tab and Shift+Tab). A plain TWinControl takes the
// focus and is a tab stop (grids derive from it); containers such as panels switch the tab stop
// off and are then passed through by Tab.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner = nullptr, TWinControl* parent = nullptr);
    ~TWinControl() override;

    // Children in creation order.
    const std::vector<TControl*>& controls() const { return m_controls; }
    int controlCount() const { return int(m_controls.size()); }
    TControl* control(int index) const { return m_controls.at(std::size_t(index)); }

    // Children in tab order.
    const std::vector<TControl*>& tabList() const { return m_tabList; }

    bool containsControl(const TControl* control) const override;

    // Depth-first list of every control inside, each followed by its own children, siblings in
    // tab order. The form's Tab walk filters it.
    void appendTabOrderList(std::vector<TControl*>& list) const;

    // Whether a child is shown by this container; a notebook shows only its active page.
    virtual bool showsChild(const TControl& child) const;

private:
    friend class TControl;

    void insertControl(TControl* control);
    void removeControl(TControl* control);
    int tabIndexOf(const TControl* control) const;
    void moveInTabOrder(TControl* control, int order);

    std::vector<TControl*> m_controls;
    std::vector<TControl*> m_tabList;
};
