#pragma once

#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What a test does to real widgets and how it waits for the view: settle() runs the event
// loop until the queued user actions have reached the model; DialogAnswerer answers the
// message boxes and dialogs that open meanwhile, recording what they said.
namespace gui {

// Processes events until the action queue is empty and nothing is pending (bounded).
void settle(int rounds = 50);
void typeText(QWidget* widget, const QString& text);
void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void click(QWidget* widget, QPoint at = QPoint(-1, -1));
// The widget that has the Qt focus.
QWidget* focused();

// Watches for modal dialogs while it exists. Each one is recorded as "title: text" (message
// boxes) and answered: by the button with the caption given to answer(), else the default
// button, else closed.
class DialogAnswerer {
public:
    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // The next dialogs are answered with these button captions, in order.
    void answer(const QString& caption) { m_answers << caption; }
    // Runs on the next dialog that is not a message box (a lookup, a modal form) instead of
    // closing it.
    void onDialog(std::function<void(QWidget* dialog)> handler) { m_handler = std::move(handler); }

    const QStringList& texts() const { return m_texts; }
    // The button captions of each message box, "|"-joined.
    const QStringList& buttons() const { return m_buttons; }
    // The icon and the default button's caption of each message box.
    const QList<QMessageBox::Icon>& icons() const { return m_icons; }
    const QStringList& defaults() const { return m_defaults; }
    // Runs on the next message box before it is answered.
    void onMessageBox(std::function<void(QMessageBox* box)> handler) {
        m_boxHandler = std::move(handler);
    }

private:
    void poll();

    QStringList m_answers;
    QStringList m_texts;
    QStringList m_buttons;
    QList<QMessageBox::Icon> m_icons;
    QStringList m_defaults;
    std::function<void(QWidget*)> m_handler;
    std::function<void(QMessageBox*)> m_boxHandler;
    int m_timer = 0;
    class Watcher;
    Watcher* m_watcher;
};

} // namespace gui
