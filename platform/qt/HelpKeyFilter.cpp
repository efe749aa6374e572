#include "platform/qt/HelpKeyFilter.h"

#include <QKeyEvent>

namespace qtview {

HelpKeyFilter::HelpKeyFilter(QObject* watched, std::function<void()> onHelp)
    : QObject(watched)
    , m_onHelp(std::move(onHelp)) {
    watched->installEventFilter(this);
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_onHelp) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            m_onHelp();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qtview
