#include "server/StepPacer.h"

#include <algorithm>

StepPacer::StepPacer(qint64 total, qint64 minStep)
    : m_minStep(std::max<qint64>(1, minStep))
    , m_maxStep(std::max(m_minStep, total / kMaxShare))
    , m_step(m_minStep) {
    m_timer.start();
}

void StepPacer::stepDone(qint64 count) {
    const qint64 elapsedMs = std::max<qint64>(1, m_timer.restart());
    // At most twice as large each time: one step that ran fast (a cached page, a sparse
    // day) must not make the next one long.
    const qint64 aimed = count * kTargetMs / elapsedMs;
    m_step = std::clamp(std::min(aimed, 2 * std::max(count, m_step)), m_minStep, m_maxStep);
}
