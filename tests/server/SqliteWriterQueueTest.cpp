// The order of a process's SQLite writers: first come, first served, a writer that gives up
// leaves no hole behind, and each database file has its own queue.
#include "server/SqliteWriterQueue.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

bool waitForLength(const SqliteWriterQueue& queue, int length) {
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

TEST(SqliteWriterQueue, WritersTakeTheirTurnsInOrderOfArrival) {
    const auto queue = SqliteWriterQueue::of(QStringLiteral("/tmp/fila-ordem.db"));
    SqliteWriterQueue::Turn first = SqliteWriterQueue::wait(queue, 1000);
    ASSERT_TRUE(first.holds()) << "an empty queue is the newcomer's at once";

    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([&, i] {
            SqliteWriterQueue::Turn turn = SqliteWriterQueue::wait(queue, 10000);
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

TEST(SqliteWriterQueue, AWriterThatGivesUpLeavesItsPlace) {
    const auto queue = SqliteWriterQueue::of(QStringLiteral("/tmp/fila-desiste.db"));
    SqliteWriterQueue::Turn first = SqliteWriterQueue::wait(queue, 1000);
    ASSERT_TRUE(first.holds());

    QElapsedTimer clock;
    clock.start();
    SqliteWriterQueue::Turn impatient = SqliteWriterQueue::wait(queue, 100);
    EXPECT_FALSE(impatient.holds()) << "its time ran out behind the first";
    EXPECT_GE(clock.elapsed(), 90);
    EXPECT_EQ(queue->length(), 1) << "and it is no longer queued";

    bool nextGotIt = false;
    std::thread next([&] { nextGotIt = SqliteWriterQueue::wait(queue, 10000).holds(); });
    ASSERT_TRUE(waitForLength(*queue, 2));
    first.leave();
    next.join();
    EXPECT_TRUE(nextGotIt) << "the writer behind the one that left is not stuck";
}

TEST(SqliteWriterQueue, OneQueuePerDatabaseFile) {
    const auto a = SqliteWriterQueue::of(QStringLiteral("/tmp/fila-a.db"));
    EXPECT_EQ(a, SqliteWriterQueue::of(QStringLiteral("/tmp/fila-a.db")));
    SqliteWriterQueue::Turn onA = SqliteWriterQueue::wait(a, 1000);
    ASSERT_TRUE(onA.holds());
    // Another file's writer never waits for this one.
    SqliteWriterQueue::Turn onB =
        SqliteWriterQueue::wait(SqliteWriterQueue::of(QStringLiteral("/tmp/fila-b.db")), 0);
    EXPECT_TRUE(onB.holds());
    // A turn moved keeps its place; leaving twice is harmless.
    SqliteWriterQueue::Turn moved = std::move(onA);
    EXPECT_FALSE(onA.holds());
    EXPECT_TRUE(moved.holds());
    EXPECT_EQ(a->length(), 1);
    moved.leave();
    moved.leave();
    EXPECT_EQ(a->length(), 0);
}
