#pragma once

#include <QObject>

#include <deque>
#include <functional>

namespace qtview {

// What the user does (keys, clicks, focus wanted) reaches the model through this queue, one
// action per turn of the event loop, in the order it happened. Running the model from the
// event loop rather than from inside Qt's event handlers lets a handler open a dialog or a
// modal form (a nested loop that goes on running the queue) without Qt being in the middle of
// delivering an event. While the model waits for the application server the queue holds:
// input that arrives meanwhile runs when the call is over, as it would have after a blocking
// call.
class ActionQueue : public QObject {
    Q_OBJECT
public:
    static ActionQueue& instance();

    void post(std::function<void()> action);
    // Counted.
    void hold();
    void release();
    bool held() const { return m_hold > 0; }
    bool idle() const { return m_pending.empty(); }
    int pending() const { return int(m_pending.size()); }
    // Drops everything not run yet (the view that posted it went away).
    void clear() { m_pending.clear(); }

private:
    void kick();
    void runNext();

    std::deque<std::function<void()>> m_pending;
    int m_hold = 0;
    bool m_kicked = false;
};

} // namespace qtview
