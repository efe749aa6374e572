#include "platform/TForm.h"

#include "core/Exception.h"
#include "platform/TApplication.h"
#include "platform/TPresenter.h"

#include <algorithm>

TForm::TForm(TComponent* owner)
    : TWinControl(owner) {
    setTabStop(false);
    setVisible(false);
    m_position = this;
}

TForm::~TForm() {
    m_position = this;
    m_initialControl = nullptr;
    Application().formDestroyed(this);
}

void TForm::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    changed();
}

void TForm::setClientSize(int width, int height) {
    m_clientWidth = width;
    m_clientHeight = height;
    changed();
}

void TForm::setBorderStyle(TFormBorderStyle style) {
    m_borderStyle = style;
    changed();
}

void TForm::setFormStyle(TFormStyle style) {
    m_formStyle = style;
    changed();
}

void TForm::setWindowState(TWindowState state) {
    if (state == m_windowState)
        return;
    m_windowState = state;
    changed();
}

TControl* TForm::activeControl() const {
    return m_position == this ? nullptr : m_position;
}

void TForm::setActiveControl(TControl* control) {
    if (!m_showing || m_firstActivation) {
        m_initialControl = control;
        return;
    }
    focusControl(control);
}

TControl* TForm::pathChild(const TControl* ancestor, const TControl* target) const {
    const TControl* current = target;
    while (current->parent() != ancestor)
        current = current->parent();
    return const_cast<TControl*>(current);
}

bool TForm::exiting(const TControl* control) const {
    return std::find(m_exiting.begin(), m_exiting.end(), control) != m_exiting.end();
}

void TForm::focusControl(TControl* target) {
    if (!target || target == this || target->form() != this || !target->canFocus())
        return;
    // Each walk has a generation; a handler that starts a walk of its own bumps it, which
    // tells every outer walk to stop where it is.
    const unsigned generation = ++m_focusGeneration;
    TControl* start = m_position;
    TControl* const before = m_position;
    m_walkStarts.push_back(&start);
    auto superseded = [&] { return generation != m_focusGeneration; };
    try {
        while (!m_position->containsControl(target) && !superseded()) {
            TControl* left = m_position;
            // One whose exit is running further up the stack has been left already.
            if (!exiting(left)) {
                m_exiting.push_back(left);
                struct Pop {
                    std::vector<TControl*>& stack;
                    ~Pop() { stack.pop_back(); }
                } pop{m_exiting};
                left->doExit();
                if (superseded())
                    break;
            }
            // Unless disabling or removing it has moved the position up already.
            if (m_position == left)
                m_position = left->parent();
        }
        while (m_position != target && !superseded() && target->canFocus()) {
            TControl* entered = pathChild(m_position, target);
            m_position = entered;
            entered->doEnter();
        }
    } catch (...) {
        m_walkStarts.pop_back();
        // A start that meanwhile lost the ability to hold the focus is not returned to.
        if (!superseded() && start && (start == this || start->canFocus()))
            m_position = start;
        if (m_position != before)
            changed();
        throw;
    }
    m_walkStarts.pop_back();
    if (m_position != before && !superseded())
        changed();
}

TControl* TForm::findNextControl(const TControl* from, bool forward) const {
    std::vector<TControl*> order;
    appendTabOrderList(order);
    const int count = int(order.size());
    if (count == 0)
        return nullptr;
    auto it = std::find(order.begin(), order.end(), from);
    const int start = it == order.end() ? -1 : int(it - order.begin());
    for (int step = 1; step <= count; ++step) {
        int index;
        if (start < 0)
            index = forward ? step - 1 : count - step;
        else
            index = ((forward ? start + step : start - step) % count + count) % count;
        if (index == start)
            break;
        TControl* candidate = order[std::size_t(index)];
        if (candidate->tabStop() && candidate->canFocus())
            return candidate;
    }
    return nullptr;
}

bool TForm::selectNext(bool forward) {
    TControl* next = findNextControl(activeControl(), forward);
    if (!next)
        return false;
    focusControl(next);
    return true;
}

void TForm::keyDown(int& key, TShiftState shift) {
    if (TControl* control = activeControl(); control && control->enabled())
        control->keyDown(key, shift);
    if (key == VK_TAB && !shift.ctrl && !shift.alt) {
        key = 0;
        selectNext(!shift.shift);
    } else if (key == VK_F1 && shift == TShiftState{}) {
        key = 0;
        Application().presenter().showHelp(helpFile(), helpContext());
    }
}

void TForm::typeKey(QChar key) {
    if (TControl* control = activeControl(); control && control->enabled())
        control->keyPress(key);
}

bool TForm::userKeyDown(int key, TShiftState shift) {
    return Application().runUserAction([&] { keyDown(key, shift); });
}

bool TForm::userTypeKey(QChar key) {
    return Application().runUserAction([&] { typeKey(key); });
}

bool TForm::userTypeText(const QString& text) {
    // One action per key, as typing is: a failing key does not stop the next one.
    bool allDone = true;
    for (QChar key : text)
        allDone = userTypeKey(key) && allDone;
    return allDone;
}

bool TForm::userClick(TControl& control) {
    return Application().runUserAction([&] {
        if (control.focusable()) {
            if (!control.canFocus())
                return;
            control.setFocus();
            if (!control.focused())
                return;
        }
        control.click();
    });
}

bool TForm::userFocus(TControl& control) {
    return Application().runUserAction([&] { control.setFocus(); });
}

void TForm::doCreate() {
    if (OnCreate)
        OnCreate(*this);
}

void TForm::show() {
    if (m_modal)
        return;
    const bool wasShowing = m_showing;
    if (!m_showing) {
        m_showing = true;
        setVisible(true);
        if (OnShow)
            OnShow(*this);
    }
    TApplication& application = Application();
    application.presenter().formShown(*this);
    // Under a modal form nothing else becomes active.
    if (application.modalForms().empty() && (!wasShowing || application.activeForm() != this))
        activate();
}

TModalResult TForm::showModal() {
    if (m_showing || m_modal)
        throw Exception(QStringLiteral("Não é possível exibir como modal uma janela já visível."));
    TApplication& application = Application();
    TForm* previous = application.activeForm();
    m_modal = true;
    m_modalResult = mrNone;
    application.pushModal(this);
    try {
        m_showing = true;
        setVisible(true);
        if (OnShow)
            OnShow(*this);
        if (m_showing)
            activate();
        if (m_showing)
            application.presenter().showModal(*this);
        if (m_showing)
            hide();
    } catch (...) {
        m_modal = false;
        application.popModal(this);
        throw;
    }
    m_modal = false;
    application.popModal(this);
    // Focus moves between forms fire no control events; the form below is activated again.
    if (previous && previous != this && previous->isShowing())
        previous->activate();
    return m_modalResult;
}

void TForm::close() {
    if (m_closing)
        return;
    m_closing = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_closing};

    if (m_modal && m_modalResult == mrNone)
        m_modalResult = mrCancel;
    TCloseAction action = (m_formStyle == fsMDIChild && !m_modal) ? caMinimize : caHide;
    if (OnClose)
        OnClose(*this, action);
    switch (action) {
    case caNone:
        if (m_modal)
            m_modalResult = mrNone;
        break;
    case caHide:
        hide();
        break;
    case caMinimize:
        if (m_modal)
            hide();
        else
            setWindowState(wsMinimized);
        break;
    case caFree:
        hide();
        release();
        break;
    }
}

void TForm::release() {
    if (m_released)
        return;
    m_released = true;
    Application().releaseForm(this);
}

void TForm::hide() {
    if (!m_showing)
        return;
    m_showing = false;
    setVisible(false);
    TApplication& application = Application();
    application.presenter().formClosed(*this);
    application.formHidden(this);
}

void TForm::repaint() {
    changed();
    Application().presenter().formRepainted(*this);
}

void TForm::setModalResult(TModalResult result) {
    m_modalResult = result;
    if (m_modal && result != mrNone)
        close();
}

void TForm::activate() {
    Application().formActivated(this);
    if (OnActivate)
        OnActivate(*this);
    if (!m_firstActivation || !m_showing)
        return;
    m_firstActivation = false;
    if (m_position != this)
        return;
    TControl* first = m_initialControl && m_initialControl->canFocus()
                          ? m_initialControl
                          : findNextControl(nullptr, true);
    focusControl(first);
}

void TForm::controlLeaving(TControl* control, bool destroyed) {
    if (control == this)
        return;
    TControl* fallback = control->parent() ? static_cast<TControl*>(control->parent()) : this;
    if (control->containsControl(m_position)) {
        m_position = fallback;
        changed();
    }
    for (TControl** start : m_walkStarts) {
        if (destroyed && *start && control->containsControl(*start))
            *start = fallback;
    }
    for (TControl*& left : m_exiting) {
        if (destroyed && left && control->containsControl(left))
            left = nullptr;
    }
    if (destroyed && m_initialControl && control->containsControl(m_initialControl))
        m_initialControl = nullptr;
}
