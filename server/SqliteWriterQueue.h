#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// The write transactions of this process on one SQLite database, first come, first served.
// SQLite's own busy handler polls with growing sleeps, so among many writers a newcomer often
// takes the lock ahead of one that has waited for seconds, and that one runs out of its busy
// timeout and is told the database is busy while the database was never held long. In the
// queue each writer waits only for the writers before it. Writers of other processes (the
// cancel command, another server) still meet this one on the busy timeout.
class SqliteWriterQueue {
public:
    // The queue of the database file `path`, shared by every connection of the process.
    static std::shared_ptr<SqliteWriterQueue> of(const QString& path);

    // A writer's place in the queue, left when dropped.
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
        friend class SqliteWriterQueue;
        Turn(std::shared_ptr<SqliteWriterQueue> queue, quint64 ticket)
            : m_queue(std::move(queue))
            , m_ticket(ticket) {}
        std::shared_ptr<SqliteWriterQueue> m_queue;
        quint64 m_ticket = 0;
    };

    // Waits until every writer queued before is done, at most `timeoutMs`; a Turn that
    // holds nothing when the time ran out (the caller is then as busy as SQLite would say).
    static Turn wait(const std::shared_ptr<SqliteWriterQueue>& queue, int timeoutMs);

    // Writers queued, the one whose turn it is included.
    int length() const;

private:
    void leave(quint64 ticket);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<quint64> m_tickets; // the front one writes
    quint64 m_next = 0;
};
