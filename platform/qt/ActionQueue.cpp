#include "platform/qt/ActionQueue.h"

#include "platform/TApplication.h"

#include <exception>

namespace qtview {

ActionQueue& ActionQueue::instance() {
    static ActionQueue queue;
    return queue;
}

void ActionQueue::post(std::function<void()> action) {
    m_pending.push_back(std::move(action));
    kick();
}

void ActionQueue::hold() {
    ++m_hold;
}

void ActionQueue::release() {
    if (m_hold > 0 && --m_hold == 0 && !m_pending.empty())
        kick();
}

void ActionQueue::kick() {
    if (m_kicked || m_hold > 0)
        return;
    m_kicked = true;
    QMetaObject::invokeMethod(
        this, [this] { runNext(); }, Qt::QueuedConnection);
}

void ActionQueue::runNext() {
    m_kicked = false;
    if (m_hold > 0 || m_pending.empty())
        return;
    std::function<void()> action = std::move(m_pending.front());
    m_pending.pop_front();
    // Kicked before running: an action that opens a modal form leaves the rest to the
    // nested loop, where the user goes on working.
    if (!m_pending.empty())
        kick();
    try {
        action();
    } catch (const std::exception& error) {
        // Actions go through the model's own dispatch; this only keeps an escaped error from
        // ending the event loop.
        Application().handleException(error);
    }
}

} // namespace qtview
