#include "server/SqliteWriterQueue.h"

#include <QHash>

#include <algorithm>
#include <chrono>

std::shared_ptr<SqliteWriterQueue> SqliteWriterQueue::of(const QString& path) {
    static std::mutex mutex;
    static QHash<QString, std::shared_ptr<SqliteWriterQueue>> queues;
    const std::lock_guard lock(mutex);
    std::shared_ptr<SqliteWriterQueue>& queue = queues[path];
    if (!queue)
        queue = std::make_shared<SqliteWriterQueue>();
    return queue;
}

SqliteWriterQueue::Turn SqliteWriterQueue::wait(const std::shared_ptr<SqliteWriterQueue>& queue,
                                                int timeoutMs) {
    std::unique_lock lock(queue->m_mutex);
    const quint64 ticket = queue->m_next++;
    queue->m_tickets.push_back(ticket);
    const bool first = queue->m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return queue->m_tickets.front() == ticket;
    });
    if (!first) {
        queue->m_tickets.erase(std::find(queue->m_tickets.begin(), queue->m_tickets.end(), ticket));
        return {};
    }
    return Turn(queue, ticket);
}

int SqliteWriterQueue::length() const {
    const std::lock_guard lock(m_mutex);
    return int(m_tickets.size());
}

void SqliteWriterQueue::leave(quint64 ticket) {
    {
        const std::lock_guard lock(m_mutex);
        const auto at = std::find(m_tickets.begin(), m_tickets.end(), ticket);
        if (at != m_tickets.end())
            m_tickets.erase(at);
    }
    m_changed.notify_all();
}

SqliteWriterQueue::Turn::Turn(Turn&& other) noexcept
    : m_queue(std::move(other.m_queue))
    , m_ticket(other.m_ticket) {}

SqliteWriterQueue::Turn& SqliteWriterQueue::Turn::operator=(Turn&& other) noexcept {
    if (this != &other) {
        leave();
        m_queue = std::move(other.m_queue);
        m_ticket = other.m_ticket;
    }
    return *this;
}

void SqliteWriterQueue::Turn::leave() {
    if (const std::shared_ptr<SqliteWriterQueue> queue = std::move(m_queue))
        queue->leave(m_ticket);
}
