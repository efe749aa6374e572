#include "platform/qt/EditBinder.h"

#include "platform/qt/FormView.h"
#include "platform/qt/KeyInput.h"
#include "platform/TCustomEdit.h"
#include "platform/TForm.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace qtview {

EditBinder::EditBinder(FormView& view, TCustomEdit& edit, QWidget* parent)
    : ControlBinder(view, edit, new QLineEdit(parent)) {
    QLineEdit* line = lineEdit();
    // Text only changes through the model: no context menu (paste, undo), no drops.
    line->setContextMenuPolicy(Qt::NoContextMenu);
    line->setAcceptDrops(false);
    line->setDragEnabled(false);
    line->setTextMargins(1, 0, 1, 0);
}

TCustomEdit& EditBinder::edit() const {
    return static_cast<TCustomEdit&>(control());
}

QLineEdit* EditBinder::lineEdit() const {
    return static_cast<QLineEdit*>(widget());
}

void EditBinder::sync() {
    ControlBinder::sync();
    if (detached() || m_pushing)
        return;
    QLineEdit* line = lineEdit();
    const TCustomEdit& model = edit();
    if (line->text() != model.displayText())
        line->setText(model.displayText());
    if (line->isReadOnly() != model.readOnly())
        line->setReadOnly(model.readOnly());
    if (hasModelFocus()) {
        if (model.selLength() > 0)
            line->setSelection(model.selStart(), model.selLength());
        else if (line->cursorPosition() != model.selStart() || line->hasSelectedText())
            line->setCursorPosition(model.selStart());
    } else if (line->hasSelectedText() || line->cursorPosition() != 0) {
        // Unfocused fields show their beginning, as a long value would otherwise scroll.
        line->setCursorPosition(0);
    }
}

void EditBinder::pullSelection() {
    QLineEdit* line = lineEdit();
    TCustomEdit& model = edit();
    const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    const int length = line->hasSelectedText() ? int(line->selectedText().size()) : 0;
    if (start == model.selStart() && length == model.selLength())
        return;
    m_pushing = true;
    model.setSelStart(start);
    model.setSelLength(length);
    m_pushing = false;
}

void EditBinder::key(const KeyInput& input) {
    TForm& owner = form();
    if (input.isTab()) {
        owner.userKeyDown(VK_TAB, input.shift());
        return;
    }
    if (input.isCaretKey()) {
        view().passKey(lineEdit(),
                       QKeyEvent(QEvent::KeyPress, input.key, input.modifiers, input.text));
        pullSelection();
        return;
    }
    pullSelection();
    const bool ctrl = input.modifiers.testFlag(Qt::ControlModifier);
    if (ctrl && input.key == Qt::Key_V) {
        paste();
        return;
    }
    if (ctrl && input.key == Qt::Key_X) {
        if (edit().selLength() > 0) {
            QApplication::clipboard()->setText(edit().selText());
            owner.userTypeKey(QChar(VK_BACK));
        }
        return;
    }
    if (const int vk = input.virtualKey(); vk && !owner.userKeyDown(vk, input.shift()))
        return;
    if (!edit().focused())
        return; // the key handler moved the focus away
    if (input.key == Qt::Key_Backspace)
        owner.userTypeKey(QChar(VK_BACK));
    else if (input.key == Qt::Key_Delete)
        deleteForward();
    else if (input.isTyping())
        owner.userTypeText(input.text);
}

void EditBinder::deleteForward() {
    TCustomEdit& model = edit();
    if (model.selLength() == 0) {
        if (model.selStart() >= model.displayText().size())
            return;
        model.setSelLength(1);
    }
    form().userTypeKey(QChar(VK_BACK));
}

void EditBinder::paste() {
    QString text = QApplication::clipboard()->text();
    text = text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
    if (!text.isEmpty())
        form().userTypeText(text);
}

bool EditBinder::mousePress(QWidget* target, QMouseEvent& event) {
    // Middle-click pastes the X selection behind the model's back.
    if (event.button() == Qt::MiddleButton)
        return true;
    return ControlBinder::mousePress(target, event);
}

void EditBinder::focusedByClick(QWidget*, const QPoint& at) {
    // Entering selected the whole text; a click puts the caret where it landed instead.
    TCustomEdit& model = edit();
    model.setSelStart(lineEdit()->cursorPositionAt(at));
}

} // namespace qtview
