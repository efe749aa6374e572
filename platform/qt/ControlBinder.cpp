#include "platform/qt/ControlBinder.h"

#include "platform/qt/FormView.h"
#include "platform/qt/KeyInput.h"
#include "platform/qt/ViewStyle.h"
#include "platform/TControl.h"
#include "platform/TForm.h"

#include <QMouseEvent>

namespace qtview {

ControlBinder::ControlBinder(FormView& view, TControl& control, QWidget* widget)
    : m_view(view)
    , m_control(control)
    , m_widget(widget) {
    widget->setObjectName(control.name());
    // The model decides where the focus is; Qt only shows it.
    widget->setFocusPolicy(Qt::NoFocus);
}

ControlBinder::~ControlBinder() = default;

void ControlBinder::sync() {
    if (m_detached || !m_widget)
        return;
    const TControl& c = m_control;
    const QRect bounds(c.left(), c.top(), c.width(), c.height());
    if (m_widget->geometry() != bounds)
        m_widget->setGeometry(bounds);
    if (m_widget->isEnabled() != c.enabled())
        m_widget->setEnabled(c.enabled());
    if (m_widget->isVisibleTo(m_widget->parentWidget()) != c.visible())
        m_widget->setVisible(c.visible());
    if (m_widget->toolTip() != c.hint())
        m_widget->setToolTip(c.hint());
    if (m_appliedFont != c.font() || m_appliedColor != c.color()) {
        m_widget->setFont(ViewStyle::font(c.font()));
        applyPalette();
        m_appliedFont = c.font();
        m_appliedColor = c.color();
    }
}

void ControlBinder::applyPalette() {
    QPalette palette = m_widget->palette();
    const QColor background = ViewStyle::color(m_control.color());
    const QColor text = ViewStyle::color(m_control.font().color);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, backgroundRole(), background);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
        palette.setColor(QPalette::Disabled, role, ViewStyle::disabledText());
    }
    m_widget->setPalette(palette);
    m_widget->setAutoFillBackground(fillsBackground());
}

QWidget* ControlBinder::childParent(const TControl&) const {
    return nullptr;
}

TForm& ControlBinder::form() const {
    return *m_control.form();
}

bool ControlBinder::hasModelFocus() const {
    return m_control.focused();
}

void ControlBinder::post(std::function<void()> action) {
    m_view.postAction(std::move(action));
}

void ControlBinder::key(const KeyInput& input) {
    if (const int vk = input.virtualKey())
        form().userKeyDown(vk, input.shift());
}

bool ControlBinder::mousePress(QWidget* target, QMouseEvent& event) {
    if (!m_control.focusable() || hasModelFocus())
        return false;
    if (event.button() == Qt::LeftButton) {
        const QPoint at = event.position().toPoint();
        QPointer<QWidget> where(target);
        post([this, where, at] {
            TControl& c = control();
            form().userFocus(c);
            if (c.focused() && where)
                focusedByClick(where, at);
        });
    }
    return true;
}

} // namespace qtview
