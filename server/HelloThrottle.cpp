#include "server/HelloThrottle.h"

#include <QElapsedTimer>

#include <algorithm>

HelloThrottle::HelloThrottle()
    : HelloThrottle(Policy(), {}) {}

HelloThrottle::HelloThrottle(const Policy& policy, Clock clock)
    : m_policy(policy)
    , m_clock(std::move(clock)) {
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
}

qint64 HelloThrottle::delayFor(const QHostAddress& address) {
    const QMutexLocker lock(&m_mutex);
    const auto found = m_entries.constFind(keyOf(address));
    if (found == m_entries.cend())
        return 0;
    if (m_clock() - found->lastRefusalMs >= m_policy.forgetAfterMs) {
        m_entries.erase(found);
        return 0;
    }
    return delayAfter(found->refusals);
}

HelloThrottle::Step HelloThrottle::refused(const QHostAddress& address) {
    const QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock();
    const QString key = keyOf(address);
    auto found = m_entries.find(key);
    if (found != m_entries.end() && now - found->lastRefusalMs >= m_policy.forgetAfterMs)
        found->refusals = 0;
    if (found == m_entries.end()) {
        makeRoom(now);
        found = m_entries.insert(key, Entry());
    }
    const qint64 before = delayAfter(found->refusals);
    found->refusals = std::min(found->refusals + 1, 1 << 20);
    found->lastRefusalMs = now;
    Step step;
    step.refusals = found->refusals;
    step.delayMs = delayAfter(found->refusals);
    step.changed = step.delayMs != before;
    return step;
}

int HelloThrottle::trackedAddresses() const {
    const QMutexLocker lock(&m_mutex);
    return int(m_entries.size());
}

QString HelloThrottle::keyOf(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        return QHostAddress(v4).toString();
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return address.toString();
    Q_IPV6ADDR bytes = address.toIPv6Address();
    std::fill(bytes.c + 8, bytes.c + 16, quint8(0));
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}

qint64 HelloThrottle::delayAfter(int refusals) const {
    if (refusals < m_policy.freeRefusals)
        return 0;
    const int doublings = std::min(refusals - m_policy.freeRefusals, 30);
    return std::min(m_policy.firstDelayMs << doublings, m_policy.maxDelayMs);
}

void HelloThrottle::forgetQuiet(qint64 now) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (now - it->lastRefusalMs >= m_policy.forgetAfterMs)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

// Called with the table full only: the quiet ones go first, else the least recently
// refused, so a flood of new addresses costs one scan per insertion and no more memory.
void HelloThrottle::makeRoom(qint64 now) {
    if (m_entries.size() < m_policy.maxAddresses)
        return;
    forgetQuiet(now);
    if (m_entries.size() < m_policy.maxAddresses)
        return;
    auto oldest = m_entries.begin();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->lastRefusalMs < oldest->lastRefusalMs)
            oldest = it;
    }
    m_entries.erase(oldest);
}
