#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// A few places taken first come, first served: the write transactions of this process on
// one SQLite database (one place, see writersOf) and the computations it runs at once.
// SQLite's own busy handler polls with growing sleeps, so among many writers a newcomer often
// takes the lock ahead of one that has waited for seconds, and that one runs out of its busy
// timeout and is told the database is busy while the database was never held long. In the
// queue each one waits only for those before it. Writers of other processes (the cancel
// command, another server) still meet this one's writers on the busy timeout.
class TurnQueue {
public:
    explicit TurnQueue(int places = 1);

    // The writers' queue of the database file `path`, shared by every connection of the
    // process.
    static std::shared_ptr<TurnQueue> writersOf(const QString& path);

    // A place in the queue, left when dropped.
    class Turn {
    public:
        Turn() = default;
        ~Turn() { leave(); }
        Turn(Turn&& other) noexcept;
        Turn& operator=(Turn&& other) noexcept;
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

        bool holds() const { return m_queue != nullptr; }
        void leave();

    private:
        friend class TurnQueue;
        Turn(std::shared_ptr<TurnQueue> queue, quint64 ticket)
            : m_queue(std::move(queue))
            , m_ticket(ticket) {}
        std::shared_ptr<TurnQueue> m_queue;
        quint64 m_ticket = 0;
    };

    // Waits until a place is free for this one, at most `timeoutMs`; a Turn that holds
    // nothing when the time ran out (the caller is then as busy as SQLite would say).
    static Turn wait(const std::shared_ptr<TurnQueue>& queue, int timeoutMs);
    // Waits as long as it takes, telling `waiting` every `reportMs` how many are ahead
    // (holding a place or queued before). `waiting` runs outside the queue's lock; what it
    // throws gives the place up and goes on to the caller.
    static Turn wait(const std::shared_ptr<TurnQueue>& queue,
                     const std::function<void(int ahead)>& waiting, int reportMs);

    // Holders and waiters.
    int length() const;
    int places() const { return m_places; }

private:
    quint64 enqueue();
    // Where `ticket` stands; the first `m_places` hold.
    int positionOf(quint64 ticket) const;
    void leave(quint64 ticket);

    const int m_places;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<quint64> m_tickets;
    quint64 m_next = 0;
};
