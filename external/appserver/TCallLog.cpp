#include "external/appserver/TCallLog.h"

TCallLog& TCallLog::instance() {
    static TCallLog log;
    return log;
}

void TCallLog::record(const QString& method, const QList<protocol::RemoteValue>& args) {
    const QMutexLocker lock(&m_mutex);
    m_last.insert(method, args);
    ++m_counts[method];
}

bool TCallLog::contains(const QString& method) const {
    const QMutexLocker lock(&m_mutex);
    return m_last.contains(method);
}

QList<protocol::RemoteValue> TCallLog::lastArgs(const QString& method) const {
    const QMutexLocker lock(&m_mutex);
    return m_last.value(method);
}

int TCallLog::count(const QString& method) const {
    const QMutexLocker lock(&m_mutex);
    return m_counts.value(method);
}

void TCallLog::waitStarted() {
    const QMutexLocker lock(&m_mutex);
    ++m_waiting;
}

void TCallLog::waitEnded(const QString& method, qint64 nanoseconds) {
    const QMutexLocker lock(&m_mutex);
    --m_waiting;
    m_waited[method] += nanoseconds;
    m_totalWaited += nanoseconds;
}

qint64 TCallLog::waitedNs(const QString& method) const {
    const QMutexLocker lock(&m_mutex);
    return m_waited.value(method);
}

qint64 TCallLog::totalWaitedNs() const {
    const QMutexLocker lock(&m_mutex);
    return m_totalWaited;
}

int TCallLog::waiting() const {
    const QMutexLocker lock(&m_mutex);
    return m_waiting;
}

void TCallLog::clear() {
    const QMutexLocker lock(&m_mutex);
    m_last.clear();
    m_counts.clear();
    m_waited.clear();
    m_totalWaited = 0;
}
