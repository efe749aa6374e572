#include "platform/TControl.h"

#include "platform/TForm.h"
#include "platform/TWinControl.h"

#include <algorithm>

TControl::TControl(TComponent* owner, TWinControl* parent)
    : TComponent(owner) {
    if (parent)
        setParent(parent);
}

TControl::~TControl() {
    if (TForm* owningForm = form(); owningForm && owningForm != this)
        owningForm->controlLeaving(this, true);
    if (m_parent)
        m_parent->removeControl(this);
}

void TControl::setParent(TWinControl* parent) {
    if (parent == m_parent)
        return;
    if (m_parent) {
        if (TForm* owningForm = form())
            owningForm->controlLeaving(this, false);
        m_parent->removeControl(this);
    }
    m_parent = parent;
    if (parent)
        parent->insertControl(this);
}

TForm* TControl::form() const {
    return m_parent ? m_parent->form() : nullptr;
}

void TControl::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (!enabled)
        releaseFocus();
    changed();
}

void TControl::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (!visible)
        releaseFocus();
    changed();
}

bool TControl::showing() const {
    for (const TControl* control = this; control; control = control->parent()) {
        if (!control->visible())
            return false;
        if (control->parent() && !control->parent()->showsChild(*control))
            return false;
    }
    return true;
}

void TControl::setColor(TColor color) {
    if (color == m_color)
        return;
    m_color = color;
    changed();
}

void TControl::setFont(const TFont& font) {
    if (font == m_font)
        return;
    m_font = font;
    changed();
}

void TControl::setHint(const QString& hint) {
    if (hint == m_hint)
        return;
    m_hint = hint;
    changed();
}

void TControl::setBounds(int left, int top, int width, int height) {
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    changed();
}

int TControl::tabOrder() const {
    return m_parent ? m_parent->tabIndexOf(this) : -1;
}

void TControl::setTabOrder(int order) {
    if (m_parent)
        m_parent->moveInTabOrder(this, order);
}

void TControl::setTabStop(bool tabStop) {
    m_tabStop = tabStop;
}

bool TControl::canFocus() const {
    const TForm* owningForm = form();
    if (!owningForm || !focusable())
        return false;
    // The form's own visibility does not count: a screen may place the focus before showing.
    for (const TControl* control = this; control && control != owningForm;
         control = control->parent()) {
        if (!control->enabled() || !control->visible())
            return false;
        if (control->parent() && !control->parent()->showsChild(*control))
            return false;
    }
    return true;
}

void TControl::setFocus() {
    if (TForm* owningForm = form())
        owningForm->focusControl(this);
}

bool TControl::focused() const {
    const TForm* owningForm = form();
    return owningForm && owningForm != this && owningForm->focusPosition() == this;
}

void TControl::doEnter() {
    if (OnEnter)
        OnEnter(*this);
}

void TControl::doExit() {
    if (OnExit)
        OnExit(*this);
}

void TControl::keyDown(int&, TShiftState) {}

void TControl::keyPress(QChar&) {}

void TControl::click() {
    if (m_enabled && OnClick)
        OnClick(*this);
}

void TControl::repaint() {
    changed();
}

int TControl::addObserver(TObserver observer) {
    const int id = m_nextObserverId++;
    m_observers.emplace_back(id, std::move(observer));
    return id;
}

void TControl::removeObserver(int id) {
    std::erase_if(m_observers, [id](const auto& entry) { return entry.first == id; });
}

void TControl::changed() {
    // Copies, so that an observer may remove itself while being told.
    const auto observers = m_observers;
    for (const auto& entry : observers)
        entry.second(*this);
    TForm* owningForm = form();
    if (owningForm && owningForm != this) {
        const auto formObservers = static_cast<TControl*>(owningForm)->m_observers;
        for (const auto& entry : formObservers)
            entry.second(*this);
    }
}

void TControl::releaseFocus() {
    TForm* owningForm = form();
    if (owningForm && owningForm != this)
        owningForm->controlLeaving(this, false);
}
