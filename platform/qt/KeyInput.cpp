#include "platform/qt/KeyInput.h"

#include <QKeyEvent>

namespace qtview {

KeyInput KeyInput::from(const QKeyEvent& event) {
    return KeyInput{event.key(), event.modifiers(), event.text()};
}

int KeyInput::virtualKey() const {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return VK_F1 + (key - Qt::Key_F1);
    // Letters and digits share their codes with ASCII upper case.
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    return 0;
}

TShiftState KeyInput::shift() const {
    TShiftState state;
    state.shift = modifiers.testFlag(Qt::ShiftModifier) || key == Qt::Key_Backtab;
    state.ctrl = modifiers.testFlag(Qt::ControlModifier);
    state.alt = modifiers.testFlag(Qt::AltModifier);
    return state;
}

bool KeyInput::isTyping() const {
    if (modifiers.testFlag(Qt::ControlModifier) || modifiers.testFlag(Qt::AltModifier))
        return false;
    return !text.isEmpty() && text.at(0).isPrint();
}

bool KeyInput::isCaretKey() const {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_Insert:
        return modifiers.testFlag(Qt::ControlModifier);
    default:
        return false;
    }
}

} // namespace qtview
