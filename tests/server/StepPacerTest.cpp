// How the long passes of a computation are cut into steps that each report progress.
#include "server/StepPacer.h"

#include <gtest/gtest.h>

#include <QThread>

TEST(StepPacer, StartsSmallGrowsAtMostTwofoldAndNeverTakesMoreThanATwentieth) {
    StepPacer pacer(1000000, 2000);
    EXPECT_EQ(pacer.next(), 2000);
    qint64 previous = pacer.next();
    for (int i = 0; i < 10; ++i) {
        pacer.stepDone(pacer.next()); // instantly: as fast as can be
        EXPECT_LE(pacer.next(), 2 * previous);
        EXPECT_LE(pacer.next(), 1000000 / StepPacer::kMaxShare);
        previous = pacer.next();
    }
    EXPECT_EQ(pacer.next(), 50000);

    // A small pass still reports several times; a tiny one in steps of the minimum.
    StepPacer small(30000, 2000);
    small.stepDone(2000);
    EXPECT_EQ(small.next(), 2000);
    StepPacer tiny(10, 0);
    EXPECT_EQ(tiny.next(), 1);
}

TEST(StepPacer, ASlowStepMakesTheNextOneSmaller) {
    StepPacer pacer(1000000, 100);
    for (int i = 0; i < 5; ++i)
        pacer.stepDone(pacer.next());
    const qint64 grown = pacer.next();
    ASSERT_GT(grown, 100);
    QThread::msleep(2 * StepPacer::kTargetMs);
    pacer.stepDone(grown);
    EXPECT_LE(pacer.next(), grown / 2 + 1) << "twice the target time: half the size";
    EXPECT_GE(pacer.next(), 100);
}
