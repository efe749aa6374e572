#pragma once

#include "protocol/RemoteValue.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

// The remote calls this process made, as sent: the last call of each method with its
// arguments. The script host and the screen tests read it to check what a screen sent;
// nothing in the module depends on it. Connections on several threads may record at once.
class TCallLog {
public:
    static TCallLog& instance();

    void record(const QString& method, const QList<protocol::RemoteValue>& args);
    bool contains(const QString& method) const;
    // The arguments of the last call of `method` (empty when it was never called).
    QList<protocol::RemoteValue> lastArgs(const QString& method) const;
    int count(const QString& method) const;
    // Time spent in calls as the caller waited for them (connecting, sending, the server's
    // work, the answer read), failed ones included: what a benchmark puts down to the server.
    // A call made during another's wait counts in both.
    void waitStarted();
    void waitEnded(const QString& method, qint64 nanoseconds);
    qint64 waitedNs(const QString& method) const;
    qint64 totalWaitedNs() const;
    // Calls whose answer is being waited for now (nested ones each count).
    int waiting() const;
    void clear();

private:
    mutable QMutex m_mutex;
    QHash<QString, QList<protocol::RemoteValue>> m_last;
    QHash<QString, int> m_counts;
    QHash<QString, qint64> m_waited;
    qint64 m_totalWaited = 0;
    int m_waiting = 0;
};
