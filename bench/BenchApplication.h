#pragma once

#include <QApplication>

// The screen benchmark's application. While a remote call waits, its local event loop goes
// on painting the windows (the wait window, the grids a step has changed); that work is the
// view's, not the server's, so the time spent delivering those events is added up here, to
// be taken off the wait and put to the rest.
class BenchApplication : public QApplication {
    Q_OBJECT
public:
    BenchApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Nanoseconds spent painting and laying out windows during remote calls.
    qint64 viewWhileWaiting() const { return m_viewWhileWaiting; }

private:
    qint64 m_viewWhileWaiting = 0;
    bool m_timing = false;
};
