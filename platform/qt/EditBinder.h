#pragma once

#include "platform/qt/ControlBinder.h"

class QLineEdit;
class TCustomEdit;

namespace qtview {

// Edits, masked edits and date entries. Every key that changes the text goes to the model
// (case conversion, masks, length limits and OnKeyPress are its business); the line edit
// shows the model's displayed text, and only moves the caret and selects by itself, which is
// copied back into the model before the next key.
class EditBinder : public ControlBinder {
public:
    EditBinder(FormView& view, TCustomEdit& edit, QWidget* parent);

    void sync() override;
    void key(const KeyInput& input) override;
    bool mousePress(QWidget* target, QMouseEvent& event) override;

protected:
    QPalette::ColorRole backgroundRole() const override { return QPalette::Base; }
    void focusedByClick(QWidget* where, const QPoint& at) override;

private:
    TCustomEdit& edit() const;
    QLineEdit* lineEdit() const;
    // The caret and selection the user set in the line edit become the model's.
    void pullSelection();
    void deleteForward();
    void paste();
    bool m_pushing = false;
};

} // namespace qtview
