#include "bench/PaintWatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

PaintWatch::PaintWatch(Target target)
    : m_target(std::move(target)) {
    QApplication::instance()->installEventFilter(this);
}

PaintWatch::~PaintWatch() {
    QApplication::instance()->removeEventFilter(this);
}

qint64 PaintWatch::now() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

bool PaintWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched->isWidgetType() && watched == m_target()) {
        QTimer::singleShot(0, this, [this] {
            m_lastPaint = now();
            ++m_paints;
            if (OnPainted)
                OnPainted();
        });
    }
    return QObject::eventFilter(watched, event);
}
