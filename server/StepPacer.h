#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// Sizes the steps of a long pass made one statement per step (summing or marking day
// ranges, charging invoices) so that each step takes about kTargetMs: often enough that
// a person sees progress move, seldom enough that the extra statements cost next to
// nothing. Steps start at `minStep` items, grow with the measured speed and never take
// more than a twentieth of the whole, so even a fast pass reports several times.
class StepPacer {
public:
    static constexpr qint64 kTargetMs = 500;
    static constexpr qint64 kMaxShare = 20;

    StepPacer(qint64 total, qint64 minStep);

    // How many items the next step should take.
    qint64 next() const { return m_step; }
    // A step of `count` items has just ended; the next one is sized from its time.
    void stepDone(qint64 count);

private:
    qint64 m_minStep;
    qint64 m_maxStep;
    qint64 m_step;
    QElapsedTimer m_timer;
};
