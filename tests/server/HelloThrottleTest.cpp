#include "server/HelloThrottle.h"

#include <gtest/gtest.h>

namespace {

struct FakeClock {
    qint64 now = 1000;
    HelloThrottle::Clock clock() {
        return [this] { return now; };
    }
};

const QHostAddress kAttacker(QStringLiteral("203.0.113.7"));
const QHostAddress kNeighbour(QStringLiteral("203.0.113.8"));

} // namespace

// Five refusals are free; then the wait doubles from 100 ms up to 5 s, and only the steps
// where it grew are worth a log line.
TEST(HelloThrottle, TheDelayDoublesAfterAFewRefusalsUpToItsCeiling) {
    FakeClock time;
    HelloThrottle throttle(HelloThrottle::Policy(), time.clock());
    QList<qint64> delays;
    QList<bool> changed;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(throttle.delayFor(kAttacker), delays.isEmpty() ? 0 : delays.last());
        const HelloThrottle::Step step = throttle.refused(kAttacker);
        EXPECT_EQ(step.refusals, i + 1);
        delays.append(step.delayMs);
        changed.append(step.changed);
        time.now += 10;
    }
    EXPECT_EQ(delays, (QList<qint64>{0, 0, 0, 0, 100, 200, 400, 800, 1600, 3200, 5000, 5000}));
    EXPECT_EQ(changed, (QList<bool>{false, false, false, false, true, true, true, true, true, true,
                                    true, false}));
    EXPECT_EQ(throttle.delayFor(kNeighbour), 0) << "another address is not slowed";
}

TEST(HelloThrottle, AQuietAddressIsForgotten) {
    FakeClock time;
    HelloThrottle::Policy policy;
    policy.forgetAfterMs = 60000;
    HelloThrottle throttle(policy, time.clock());
    for (int i = 0; i < 8; ++i)
        throttle.refused(kAttacker);
    EXPECT_EQ(throttle.delayFor(kAttacker), 800);
    time.now += 59999;
    EXPECT_EQ(throttle.delayFor(kAttacker), 800);
    time.now += 1;
    EXPECT_EQ(throttle.delayFor(kAttacker), 0);
    EXPECT_EQ(throttle.trackedAddresses(), 0);
    EXPECT_EQ(throttle.refused(kAttacker).refusals, 1) << "it starts over";
}

// A flood from many addresses keeps the table at its cap, dropping the least recently
// refused; the one that keeps going stays slowed.
TEST(HelloThrottle, TheTableIsBounded) {
    FakeClock time;
    HelloThrottle::Policy policy;
    policy.maxAddresses = 100;
    HelloThrottle throttle(policy, time.clock());
    for (int i = 0; i < 10000; ++i) {
        time.now += 1;
        throttle.refused(QHostAddress(quint32(0x0a000000 + i)));
        if (i % 50 == 0) {
            for (int k = 0; k < 6; ++k)
                throttle.refused(kAttacker);
        }
        ASSERT_LE(throttle.trackedAddresses(), 100);
    }
    EXPECT_GT(throttle.delayFor(kAttacker), 0);
    EXPECT_EQ(throttle.delayFor(QHostAddress(quint32(0x0a000000))), 0) << "long dropped";
}

// One host may own a whole IPv6 /64, and an IPv4 client may come as a mapped address.
TEST(HelloThrottle, AddressesAreCountedByHostOrNetwork) {
    EXPECT_EQ(HelloThrottle::keyOf(QHostAddress(QStringLiteral("2001:db8:1:2::5"))),
              HelloThrottle::keyOf(QHostAddress(QStringLiteral("2001:db8:1:2:ffff::9"))));
    EXPECT_NE(HelloThrottle::keyOf(QHostAddress(QStringLiteral("2001:db8:1:2::5"))),
              HelloThrottle::keyOf(QHostAddress(QStringLiteral("2001:db8:1:3::5"))));
    EXPECT_EQ(HelloThrottle::keyOf(QHostAddress(QStringLiteral("::ffff:203.0.113.7"))),
              QStringLiteral("203.0.113.7"));
    EXPECT_NE(HelloThrottle::keyOf(kAttacker), HelloThrottle::keyOf(kNeighbour));
}
