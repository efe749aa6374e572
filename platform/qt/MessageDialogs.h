#pragma once

#include "platform/TMessageDialog.h"

#include <functional>
#include <QMessageBox>
#include <QString>

class QWidget;

namespace qtview {

// The message boxes the model asks for: a message with one OK button or a question with the
// button captions the screen gives, the icon of the dialog's kind and the default button it
// names. F1 in a box calls `onHelp`. Each blocks until answered.
class MessageDialogs {
public:
    static void showMessage(QWidget* parent, const TMessageDialog& dialog,
                            const std::function<void()>& onHelp = {});
    // True for the first button; closing the box or Esc answers with the second.
    static bool askQuestion(QWidget* parent, const TMessageDialog& dialog,
                            const std::function<void()>& onHelp = {});
    static void showError(QWidget* parent, const QString& text);
    static QMessageBox::Icon icon(TMsgDlgType type);
    // The application's name in the title bar of every box.
    static QString title();
};

} // namespace qtview
