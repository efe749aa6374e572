#include "Pkg_Zel00100/CountedUnit.h"

#include <gtest/gtest.h>

namespace {

int g_starts = 0;
int g_stops = 0;
void start() {
    ++g_starts;
}
void stop() {
    ++g_stops;
}

class CountedUnitTest : public ::testing::Test {
protected:
    void SetUp() override { g_starts = g_stops = 0; }
    CountedUnit unit{"Cli_Teste", &start, &stop};
};

} // namespace

TEST_F(CountedUnitTest, ReachedTwiceStartsOnceAndStopsAtTheLastRelease) {
    unit.initialize();
    unit.initialize();
    EXPECT_EQ(g_starts, 1);
    EXPECT_EQ(unit.counter(), -2);
    unit.finalize();
    EXPECT_EQ(g_stops, 0);
    unit.finalize();
    EXPECT_EQ(g_stops, 1);
    EXPECT_EQ(unit.counter(), 0);
    // Stopped: the next start runs the body again.
    unit.initialize();
    EXPECT_EQ(g_starts, 2);
}

TEST_F(CountedUnitTest, StrayFinalizationDoesNotSkipTheNextStart) {
    unit.finalize();
    EXPECT_EQ(g_stops, 0);
    EXPECT_EQ(unit.counter(), 0);
    unit.initialize();
    EXPECT_EQ(g_starts, 1);
}

TEST_F(CountedUnitTest, UnitsWithoutBodiesOnlyCount) {
    CountedUnit empty("Vazia", nullptr, nullptr);
    empty.initialize();
    empty.finalize();
    EXPECT_EQ(empty.counter(), 0);
}
