#include "platform/TWinControl.h"

#include "platform/TForm.h"

#include <algorithm>

TWinControl::TWinControl(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {
    setTabStop(true);
}

TWinControl::~TWinControl() {
    if (TForm* owningForm = form(); owningForm && owningForm != this)
        owningForm->controlLeaving(this, true);
    // Children are deleted by their owner, not by their parent; they only lose the parent.
    for (TControl* child : m_controls)
        child->m_parent = nullptr;
    m_controls.clear();
    m_tabList.clear();
}

bool TWinControl::containsControl(const TControl* control) const {
    for (const TControl* current = control; current; current = current->parent()) {
        if (current == this)
            return true;
    }
    return false;
}

void TWinControl::appendTabOrderList(std::vector<TControl*>& list) const {
    for (TControl* child : m_tabList) {
        list.push_back(child);
        if (auto* container = dynamic_cast<TWinControl*>(child))
            container->appendTabOrderList(list);
    }
}

bool TWinControl::showsChild(const TControl&) const {
    return true;
}

void TWinControl::insertControl(TControl* control) {
    m_controls.push_back(control);
    m_tabList.push_back(control);
}

void TWinControl::removeControl(TControl* control) {
    std::erase(m_controls, control);
    std::erase(m_tabList, control);
    control->m_parent = nullptr;
}

int TWinControl::tabIndexOf(const TControl* control) const {
    auto it = std::find(m_tabList.begin(), m_tabList.end(), control);
    return it == m_tabList.end() ? -1 : int(it - m_tabList.begin());
}

void TWinControl::moveInTabOrder(TControl* control, int order) {
    const int from = tabIndexOf(control);
    if (from < 0)
        return;
    m_tabList.erase(m_tabList.begin() + from);
    const int to = std::clamp(order, 0, int(m_tabList.size()));
    m_tabList.insert(m_tabList.begin() + to, control);
}
