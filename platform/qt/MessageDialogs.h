#pragma once

#include <QString>

class QWidget;

namespace qtview {

// The message boxes the model asks for: an error, an information and a Yes/No question
// with the button captions the screen gives. Each blocks until answered.
class MessageDialogs {
public:
    static void showError(QWidget* parent, const QString& text);
    static void showInformation(QWidget* parent, const QString& text);
    // True for the first button; closing the box or Esc answers with the second.
    static bool askYesNo(QWidget* parent, const QString& text, const QString& yesCaption,
                         const QString& noCaption);
    // The application's name in the title bar of every box.
    static QString title();
};

} // namespace qtview
