#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Watches the application's paint events for one widget (the viewport of a grid, usually)
// and notes when each of its paints is over: a timer queued when the paint starts fires once
// the paint and the flush it belongs to are done. The widget is asked for on every paint, so
// it may be one that does not exist yet (a dialog about to open).
class PaintWatch : public QObject {
    Q_OBJECT
public:
    using Target = std::function<QWidget*()>;

    explicit PaintWatch(Target target);
    ~PaintWatch() override;

    // The bench's clock, in nanoseconds since the first use.
    static qint64 now();

    // When the last paint of the target was over (now()), 0 before the first.
    qint64 lastPaint() const { return m_lastPaint; }
    int paints() const { return m_paints; }
    // Runs from the event loop after each paint of the target.
    std::function<void()> OnPainted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Target m_target;
    qint64 m_lastPaint = 0;
    int m_paints = 0;
};
