#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qtview {

// The window shown while the module waits for the application server. It blocks input to
// the other windows, keeps animating while the call waits in its local event loop, and
// turns the server's progress reports into a progress bar with their text and the time the
// call has taken. It appears only after a short delay, so that quick calls do not flash it.
class WaitWindow : public QWidget {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* parent = nullptr);

    void begin(int kind, QWidget* over);
    void progress(int done, int total, const QString& text);
    void end();
    bool waiting() const { return m_waiting; }
    // Milliseconds before the window appears (0: at once).
    void setShowDelay(int milliseconds) { m_delay = milliseconds; }
    // Milliseconds of waiting before "Cancelar espera" is offered.
    void setCancelDelay(int milliseconds) { m_cancelDelay = milliseconds; }
    QPushButton* cancelButton() const { return m_cancel; }

    static QString textFor(int kind);
    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }
    QLabel* elapsedLabel() const { return m_elapsed; }
    // "Tempo decorrido: 1:05" for a wait of that many seconds.
    static QString elapsedText(qint64 seconds);

private:
    void appear();
    void tick();
    void cancelWaiting();

    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QLabel* m_elapsed;
    QTimer* m_timer;
    QTimer* m_clock;
    QElapsedTimer m_since;
    QWidget* m_over = nullptr;
    int m_delay = 250;
    int m_cancelDelay = 10000;
    bool m_waiting = false;
};

} // namespace qtview
