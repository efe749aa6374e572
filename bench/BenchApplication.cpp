#include "bench/BenchApplication.h"

#include "bench/PaintWatch.h"
#include "external/appserver/TCallLog.h"

#include <QEvent>
#include <QScopeGuard>

namespace {

bool isViewWork(QEvent::Type type) {
    switch (type) {
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
    case QEvent::LayoutRequest:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Polish:
    case QEvent::PolishRequest:
    case QEvent::Expose:
        return true;
    default:
        return false;
    }
}

} // namespace

BenchApplication::BenchApplication(int& argc, char** argv)
    : QApplication(argc, argv) {}

bool BenchApplication::notify(QObject* receiver, QEvent* event) {
    // Only the outermost such event counts: an update request delivers paint events.
    if (m_timing || TCallLog::instance().waiting() == 0 || !isViewWork(event->type()))
        return QApplication::notify(receiver, event);
    m_timing = true;
    const qint64 start = PaintWatch::now();
    const auto done = qScopeGuard([&] {
        m_viewWhileWaiting += PaintWatch::now() - start;
        m_timing = false;
    });
    return QApplication::notify(receiver, event);
}
