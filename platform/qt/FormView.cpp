#include "platform/qt/FormView.h"

#include "platform/qt/ActionQueue.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormRenderer.h"
#include "platform/qt/KeyInput.h"
#include "platform/qt/ViewStyle.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>

namespace qtview {

FormView::FormView(TForm& form, QWidget* parent)
    : QWidget(parent)
    , m_form(&form) {
    setObjectName(form.name());
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    installEventFilter(this);
    FormRenderer::build(*this);
    m_observer = form.addObserver([this](TControl& control) { controlChanged(control); });
    syncAll();
}

FormView::~FormView() {
    detach();
}

ControlBinder* FormView::binder(const QString& controlName) const {
    for (const auto& owned : m_ownedBinders) {
        if (owned->control().name().compare(controlName, Qt::CaseInsensitive) == 0)
            return owned.get();
    }
    return nullptr;
}

QWidget* FormView::widgetOf(const QString& controlName) const {
    ControlBinder* found = binder(controlName);
    return found ? found->widget() : nullptr;
}

QWidget* FormView::frame() const {
    return m_subWindow ? static_cast<QWidget*>(m_subWindow.data()) : const_cast<FormView*>(this);
}

void FormView::setSubWindow(QMdiSubWindow* subWindow) {
    m_subWindow = subWindow;
    subWindow->installEventFilter(this);
    connect(subWindow, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates, Qt::WindowStates now) {
                if (!m_form)
                    return;
                const TWindowState state = now.testFlag(Qt::WindowMinimized)   ? wsMinimized
                                           : now.testFlag(Qt::WindowMaximized) ? wsMaximized
                                                                               : wsNormal;
                if (state != m_form->windowState())
                    postAction([this, state] { m_form->setWindowState(state); });
            });
    syncForm();
}

void FormView::registerBinder(std::unique_ptr<ControlBinder> binder) {
    ControlBinder* raw = binder.get();
    m_binders.insert(&raw->control(), raw);
    for (QWidget* input : raw->inputWidgets()) {
        input->installEventFilter(this);
        m_inputOwners.insert(input, raw);
    }
    m_ownedBinders.push_back(std::move(binder));
}

void FormView::syncAll() {
    for (const auto& owned : m_ownedBinders)
        owned->sync();
    syncForm();
    syncFocus();
}

void FormView::syncForm() {
    if (!m_form)
        return;
    const int width = m_form->clientWidth() > 0 ? m_form->clientWidth() : m_form->width();
    const int height = m_form->clientHeight() > 0 ? m_form->clientHeight() : m_form->height();
    if (width > 0 && height > 0 && size() != QSize(width, height))
        setFixedSize(width, height);
    if (m_subWindow && m_subWindow->widget() == this) {
        m_subWindow->setWindowTitle(m_form->caption());
        // A single border: the sub-window keeps the size of the client area it holds.
        if (!m_subWindow->isMinimized() && !m_subWindow->isMaximized())
            m_subWindow->setFixedSize(m_subWindow->sizeHint());
        const TWindowState state = m_form->windowState();
        if (state == wsMinimized && !m_subWindow->isMinimized())
            m_subWindow->showMinimized();
        else if (state == wsMaximized && !m_subWindow->isMaximized())
            m_subWindow->showMaximized();
        else if (state == wsNormal && (m_subWindow->isMinimized() || m_subWindow->isMaximized()))
            m_subWindow->showNormal();
    } else {
        setWindowTitle(m_form->caption());
    }
    QPalette background = palette();
    background.setColor(QPalette::Window, ViewStyle::color(m_form->color()));
    setPalette(background);
}

void FormView::syncFocus() {
    if (!m_form || !m_form->isShowing() || Application().activeForm() != m_form)
        return;
    QWidget* target = this;
    TControl* position = m_form->focusPosition();
    if (position && position != m_form) {
        if (ControlBinder* owner = binder(position);
            owner && owner->focusWidget() && owner->focusWidget()->isVisibleTo(this))
            target = owner->focusWidget();
    }
    // The window the user works in is this form's: after a dialog over it closes, it is
    // active again (window managers do this; the offscreen platform does not).
    QWidget* window = frame()->window();
    if (!QApplication::activeModalWidget() && QApplication::activeWindow() != window &&
        window->isVisible())
        window->activateWindow();
    if (QApplication::focusWidget() != target)
        target->setFocus(Qt::OtherFocusReason);
}

void FormView::controlChanged(TControl& control) {
    if (!m_form)
        return;
    if (&control == m_form) {
        syncForm();
        syncFocus();
        return;
    }
    if (ControlBinder* owner = binder(&control))
        owner->sync();
}

void FormView::postAction(std::function<void()> action) {
    QPointer<FormView> self(this);
    ActionQueue::instance().post([self, action = std::move(action)] {
        if (!self || !self->m_form)
            return;
        // Input that was meant for a form a modal form now covers is dropped, as the window
        // system would not have delivered it.
        const auto& modal = Application().modalForms();
        if (!modal.empty() && modal.back() != self->m_form)
            return;
        action();
        if (self)
            emit self->actionDone();
    });
}

void FormView::requestClose() {
    postAction([this] { Application().runUserAction([this] { m_form->close(); }); });
}

void FormView::detach() {
    if (!m_form)
        return;
    m_form->removeObserver(m_observer);
    for (const auto& owned : m_ownedBinders)
        owned->detach();
    m_form = nullptr;
    frame()->hide();
}

void FormView::passKey(QWidget* widget, const QKeyEvent& event) {
    QKeyEvent copy(event.type(), event.key(), event.modifiers(), event.text(), event.isAutoRepeat(),
                   ushort(event.count()));
    m_passKeys = true;
    QCoreApplication::sendEvent(widget, &copy);
    m_passKeys = false;
}

bool FormView::dispatchKey(ControlBinder* owner, QEvent* event) {
    const KeyInput input = KeyInput::from(*static_cast<QKeyEvent*>(event));
    if (owner) {
        postAction([owner, input] { owner->key(input); });
    } else {
        postAction([this, input] {
            if (const int vk = input.virtualKey())
                m_form->userKeyDown(vk, input.shift());
        });
    }
    return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_subWindow && event->type() == QEvent::Close) {
        if (m_form && m_form->isShowing()) {
            event->ignore();
            requestClose();
            return true;
        }
        return false;
    }
    if (!m_form || m_passKeys)
        return false;
    ControlBinder* owner = m_inputOwners.value(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (owner || watched == this)
            return dispatchKey(owner, event);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (owner && !owner->detached())
            return owner->mousePress(static_cast<QWidget*>(watched),
                                     *static_cast<QMouseEvent*>(event));
        return false;
    default:
        return false;
    }
}

void FormView::closeEvent(QCloseEvent* event) {
    if (m_form && m_form->isShowing()) {
        event->ignore();
        requestClose();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace qtview
