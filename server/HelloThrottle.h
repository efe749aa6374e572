#pragma once

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QString>

#include <functional>

// Slows down an address whose hellos keep being refused, so that guessing a token from one
// place gets slower and slower: after a few refusals each next hello from it waits a delay
// that doubles up to a ceiling before it is answered. The wait is the connection's own, so
// other addresses and the listener never wait. An address is forgotten after a quiet
// period, and the table holds a bounded number of them (the least recently refused goes).
// Safe to use from every connection thread.
class HelloThrottle {
public:
    struct Policy {
        int freeRefusals = 5;
        qint64 firstDelayMs = 100;
        qint64 maxDelayMs = 5000;
        qint64 forgetAfterMs = 10 * 60 * 1000;
        int maxAddresses = 4096;
    };
    // Milliseconds on a monotonic clock; the steady clock unless a test sets another.
    using Clock = std::function<qint64()>;

    // What a refusal changed for the address.
    struct Step {
        int refusals = 0;
        qint64 delayMs = 0;   // before its next hello is answered
        bool changed = false; // the delay grew: worth a log line
    };

    HelloThrottle();
    HelloThrottle(const Policy& policy, Clock clock);

    // How long a hello from `address` waits before it is answered.
    qint64 delayFor(const QHostAddress& address);
    Step refused(const QHostAddress& address);

    int trackedAddresses() const;
    // The key an address is counted under: an IPv4 address (mapped ones too), or the /64
    // network of an IPv6 one, which a single host may own whole.
    static QString keyOf(const QHostAddress& address);

private:
    struct Entry {
        int refusals = 0;
        qint64 lastRefusalMs = 0;
    };

    qint64 delayAfter(int refusals) const;
    void forgetQuiet(qint64 now);
    void makeRoom(qint64 now);

    Policy m_policy;
    Clock m_clock;
    mutable QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};
