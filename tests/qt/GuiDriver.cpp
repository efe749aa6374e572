#include "GuiDriver.h"

#include "platform/qt/ActionQueue.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace gui {

void settle(int rounds) {
    auto& queue = qtview::ActionQueue::instance();
    for (int i = 0; i < rounds; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents();
        if (queue.idle() || queue.held())
            QApplication::processEvents();
        if (queue.idle())
            break;
    }
    QApplication::processEvents();
}

void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::keyClick(widget, c.toLatin1());
    settle();
}

void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(widget, Qt::Key(key), modifiers);
    settle();
}

void click(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                      at.x() < 0 ? widget->rect().center() : at);
    settle();
}

QWidget* focused() {
    return QApplication::focusWidget();
}

class DialogAnswerer::Watcher : public QTimer {
public:
    using QTimer::QTimer;
};

DialogAnswerer::DialogAnswerer()
    : m_watcher(new Watcher) {
    m_watcher->setInterval(10);
    QObject::connect(m_watcher, &QTimer::timeout, [this] { poll(); });
    m_watcher->start();
}

DialogAnswerer::~DialogAnswerer() {
    delete m_watcher;
}

void DialogAnswerer::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QStringList captions;
        for (QAbstractButton* button : box->buttons())
            captions << button->text();
        m_texts << box->windowTitle() + QStringLiteral(": ") + box->text();
        m_buttons << captions.join(QLatin1Char('|'));
        m_icons << box->icon();
        m_defaults << (box->defaultButton() ? box->defaultButton()->text() : QString());
        if (m_boxHandler) {
            auto handler = std::move(m_boxHandler);
            m_boxHandler = nullptr;
            handler(box);
        }
        QAbstractButton* chosen = box->defaultButton();
        if (!m_answers.isEmpty()) {
            const QString wanted = m_answers.takeFirst();
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == wanted)
                    chosen = button;
            }
        }
        if (chosen)
            chosen->click();
        else
            box->reject();
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        if (m_handler) {
            auto handler = std::move(m_handler);
            m_handler = nullptr;
            handler(dialog);
        } else {
            dialog->reject();
        }
    }
}

} // namespace gui
