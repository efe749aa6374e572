#pragma once

#include "platform/TShiftState.h"

#include <QString>
#include <Qt>

class QKeyEvent;

namespace qtview {

constexpr int VK_BACK = 8;
constexpr int VK_DELETE = 46;

// A key press copied out of its QKeyEvent so that it can wait in the action queue.
struct KeyInput {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;

    static KeyInput from(const QKeyEvent& event);

    // The model's key code, 0 for keys it has no code for.
    int virtualKey() const;
    TShiftState shift() const;
    bool isTab() const { return key == Qt::Key_Tab || key == Qt::Key_Backtab; }
    // A character to type: printable text without Ctrl or Alt.
    bool isTyping() const;
    // Keys a line edit handles itself without changing its text: caret moves, selection, copy.
    bool isCaretKey() const;
};

} // namespace qtview
