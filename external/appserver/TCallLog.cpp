#include "external/appserver/TCallLog.h"

TCallLog& TCallLog::instance() {
    static TCallLog log;
    return log;
}

void TCallLog::record(const QString& method, const QList<protocol::RemoteValue>& args) {
    m_last.insert(method, args);
    ++m_counts[method];
}

QList<protocol::RemoteValue> TCallLog::lastArgs(const QString& method) const {
    return m_last.value(method);
}

void TCallLog::waitEnded(const QString& method, qint64 nanoseconds) {
    --m_waiting;
    m_waited[method] += nanoseconds;
    m_totalWaited += nanoseconds;
}

void TCallLog::clear() {
    m_last.clear();
    m_counts.clear();
    m_waited.clear();
    m_totalWaited = 0;
}
