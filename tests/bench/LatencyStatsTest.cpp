// The load benchmark's latency figures: nearest-rank percentiles, merging, the summary.
#include "bench/LatencyStats.h"

#include <gtest/gtest.h>

TEST(LatencyStats, NearestRankPercentiles) {
    LatencyStats stats;
    // Added out of order: the percentiles must not depend on arrival.
    for (int i = 100; i >= 1; --i)
        stats.add(double(i));
    EXPECT_EQ(stats.count(), 100);
    EXPECT_DOUBLE_EQ(stats.percentile(0.50), 50);
    EXPECT_DOUBLE_EQ(stats.percentile(0.99), 99); // the slowest call shows in the maximum only
    EXPECT_DOUBLE_EQ(stats.percentile(1.0), 100);
    EXPECT_DOUBLE_EQ(stats.percentile(0.001), 1);
    EXPECT_DOUBLE_EQ(stats.max(), 100);
}

TEST(LatencyStats, FewSamplesRoundUp) {
    LatencyStats one;
    one.add(7.5);
    EXPECT_DOUBLE_EQ(one.percentile(0.50), 7.5);
    EXPECT_DOUBLE_EQ(one.percentile(0.99), 7.5);

    // Of three, p50 is the second and p99 the third: one slow call in three is the p99.
    LatencyStats three;
    for (double ms : {1.0, 2.0, 30.0})
        three.add(ms);
    EXPECT_DOUBLE_EQ(three.percentile(0.50), 2);
    EXPECT_DOUBLE_EQ(three.percentile(0.99), 30);
}

TEST(LatencyStats, EmptyAndMerged) {
    LatencyStats empty;
    EXPECT_EQ(empty.count(), 0);
    EXPECT_DOUBLE_EQ(empty.percentile(0.99), 0);
    EXPECT_DOUBLE_EQ(empty.max(), 0);
    EXPECT_EQ(empty.summary(), QStringLiteral("-"));

    LatencyStats a, b;
    for (int i = 1; i <= 99; ++i)
        a.add(1.0);
    b.add(250.0);
    a.merge(b);
    a.merge(empty);
    EXPECT_EQ(a.count(), 100);
    EXPECT_DOUBLE_EQ(a.percentile(0.99), 1.0);
    EXPECT_EQ(a.summary(), QStringLiteral("1.0 / 1.0 / 250.0"));
}
