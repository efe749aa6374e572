#include "server/TurnQueue.h"

#include <QHash>

#include <algorithm>
#include <chrono>

TurnQueue::TurnQueue(int places)
    : m_places(std::max(1, places)) {}

std::shared_ptr<TurnQueue> TurnQueue::writersOf(const QString& path) {
    static std::mutex mutex;
    static QHash<QString, std::shared_ptr<TurnQueue>> queues;
    const std::lock_guard lock(mutex);
    std::shared_ptr<TurnQueue>& queue = queues[path];
    if (!queue)
        queue = std::make_shared<TurnQueue>(1);
    return queue;
}

quint64 TurnQueue::enqueue() {
    const quint64 ticket = m_next++;
    m_tickets.push_back(ticket);
    return ticket;
}

int TurnQueue::positionOf(quint64 ticket) const {
    return int(std::find(m_tickets.begin(), m_tickets.end(), ticket) - m_tickets.begin());
}

TurnQueue::Turn TurnQueue::wait(const std::shared_ptr<TurnQueue>& queue, int timeoutMs) {
    std::unique_lock lock(queue->m_mutex);
    const quint64 ticket = queue->enqueue();
    const bool placed = queue->m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return queue->positionOf(ticket) < queue->m_places;
    });
    lock.unlock();
    if (!placed) {
        queue->leave(ticket);
        return {};
    }
    return Turn(queue, ticket);
}

TurnQueue::Turn TurnQueue::wait(const std::shared_ptr<TurnQueue>& queue,
                                const std::function<void(int ahead)>& waiting, int reportMs) {
    std::unique_lock lock(queue->m_mutex);
    const quint64 ticket = queue->enqueue();
    // Whatever ends the wait but a place leaves the queue as it was.
    Turn turn(queue, ticket);
    for (;;) {
        const bool placed =
            queue->m_changed.wait_for(lock, std::chrono::milliseconds(reportMs),
                                      [&] { return queue->positionOf(ticket) < queue->m_places; });
        if (placed)
            return turn;
        const int ahead = queue->positionOf(ticket);
        lock.unlock();
        if (waiting)
            waiting(ahead);
        lock.lock();
    }
}

int TurnQueue::length() const {
    const std::lock_guard lock(m_mutex);
    return int(m_tickets.size());
}

void TurnQueue::leave(quint64 ticket) {
    {
        const std::lock_guard lock(m_mutex);
        const auto at = std::find(m_tickets.begin(), m_tickets.end(), ticket);
        if (at != m_tickets.end())
            m_tickets.erase(at);
    }
    m_changed.notify_all();
}

TurnQueue::Turn::Turn(Turn&& other) noexcept
    : m_queue(std::move(other.m_queue))
    , m_ticket(other.m_ticket) {}

TurnQueue::Turn& TurnQueue::Turn::operator=(Turn&& other) noexcept {
    if (this != &other) {
        leave();
        m_queue = std::move(other.m_queue);
        m_ticket = other.m_ticket;
    }
    return *this;
}

void TurnQueue::Turn::leave() {
    if (const std::shared_ptr<TurnQueue> queue = std::move(m_queue))
        queue->leave(m_ticket);
}
