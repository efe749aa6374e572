// Places taken in order of arrival: first come, first served, one that gives up leaves no
// hole behind, each SQLite database file has its own writers' queue, and a queue of several
// places lets that many through at once.
#include "server/TurnQueue.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

bool waitForLength(const TurnQueue& queue, int length) {
    QElapsedTimer clock;
    clock.start();
    while (queue.length() != length) {
        if (clock.hasExpired(10000))
            return false;
        QThread::msleep(2);
    }
    return true;
}

} // namespace

TEST(TurnQueue, WritersTakeTheirTurnsInOrderOfArrival) {
    const auto queue = TurnQueue::writersOf(QStringLiteral("/tmp/fila-ordem.db"));
    TurnQueue::Turn first = TurnQueue::wait(queue, 1000);
    ASSERT_TRUE(first.holds()) << "an empty queue is the newcomer's at once";

    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([&, i] {
            TurnQueue::Turn turn = TurnQueue::wait(queue, 10000);
            const std::lock_guard lock(mutex);
            order.push_back(turn.holds() ? i : -1);
        });
        // Each one queued before the next arrives.
        ASSERT_TRUE(waitForLength(*queue, i + 2));
    }
    QThread::msleep(20);
    {
        const std::lock_guard lock(mutex);
        EXPECT_TRUE(order.empty()) << "nobody writes while the first holds its turn";
    }
    first.leave();
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(queue->length(), 0);
}

TEST(TurnQueue, AWriterThatGivesUpLeavesItsPlace) {
    const auto queue = TurnQueue::writersOf(QStringLiteral("/tmp/fila-desiste.db"));
    TurnQueue::Turn first = TurnQueue::wait(queue, 1000);
    ASSERT_TRUE(first.holds());

    QElapsedTimer clock;
    clock.start();
    TurnQueue::Turn impatient = TurnQueue::wait(queue, 100);
    EXPECT_FALSE(impatient.holds()) << "its time ran out behind the first";
    EXPECT_GE(clock.elapsed(), 90);
    EXPECT_EQ(queue->length(), 1) << "and it is no longer queued";

    bool nextGotIt = false;
    std::thread next([&] { nextGotIt = TurnQueue::wait(queue, 10000).holds(); });
    ASSERT_TRUE(waitForLength(*queue, 2));
    first.leave();
    next.join();
    EXPECT_TRUE(nextGotIt) << "the writer behind the one that left is not stuck";
}

TEST(TurnQueue, OneWritersQueuePerDatabaseFile) {
    const auto a = TurnQueue::writersOf(QStringLiteral("/tmp/fila-a.db"));
    EXPECT_EQ(a, TurnQueue::writersOf(QStringLiteral("/tmp/fila-a.db")));
    TurnQueue::Turn onA = TurnQueue::wait(a, 1000);
    ASSERT_TRUE(onA.holds());
    // Another file's writer never waits for this one.
    TurnQueue::Turn onB =
        TurnQueue::wait(TurnQueue::writersOf(QStringLiteral("/tmp/fila-b.db")), 0);
    EXPECT_TRUE(onB.holds());
    // A turn moved keeps its place; leaving twice is harmless.
    TurnQueue::Turn moved = std::move(onA);
    EXPECT_FALSE(onA.holds());
    EXPECT_TRUE(moved.holds());
    EXPECT_EQ(a->length(), 1);
    moved.leave();
    moved.leave();
    EXPECT_EQ(a->length(), 0);
}

TEST(TurnQueue, SeveralPlacesLetThatManyThroughAndTheRestWaitInOrder) {
    const auto queue = std::make_shared<TurnQueue>(2);
    TurnQueue::Turn first = TurnQueue::wait(queue, 0);
    TurnQueue::Turn second = TurnQueue::wait(queue, 0);
    ASSERT_TRUE(first.holds());
    ASSERT_TRUE(second.holds()) << "a second place is free";
    EXPECT_FALSE(TurnQueue::wait(queue, 50).holds()) << "a third waits while both are held";

    std::mutex mutex;
    std::vector<int> aheadSeen;
    std::atomic<bool> placed{false};
    std::thread third([&] {
        TurnQueue::Turn turn = TurnQueue::wait(
            queue,
            [&](int ahead) {
                const std::lock_guard lock(mutex);
                aheadSeen.push_back(ahead);
            },
            10);
        placed = turn.holds();
    });
    ASSERT_TRUE(waitForLength(*queue, 3));
    QThread::msleep(50);
    EXPECT_FALSE(placed);
    // The holder that arrived last leaves first: the waiter takes its place all the same.
    second.leave();
    third.join();
    EXPECT_TRUE(placed);
    const std::lock_guard lock(mutex);
    ASSERT_FALSE(aheadSeen.empty()) << "a long wait is reported";
    EXPECT_EQ(aheadSeen.front(), 2) << "both holders are ahead of it";
}

TEST(TurnQueue, AWaiterWhoseReportThrowsGivesItsPlaceUp) {
    const auto queue = std::make_shared<TurnQueue>(1);
    TurnQueue::Turn holder = TurnQueue::wait(queue, 0);
    ASSERT_TRUE(holder.holds());
    int reports = 0;
    EXPECT_THROW(TurnQueue::wait(
                     queue,
                     [&](int) {
                         if (++reports == 3)
                             throw std::runtime_error("servidor encerrando");
                     },
                     5),
                 std::runtime_error);
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(queue->length(), 1) << "only the holder is left";
    holder.leave();
    EXPECT_TRUE(TurnQueue::wait(queue, 0).holds());
}
