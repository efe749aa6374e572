#pragma once

#include <cstdint>

// A small deterministic generator (splitmix64): the same seed gives the same numbers on
// every machine and run, so seeded databases are reproducible.
class SeedRandom {
public:
    explicit SeedRandom(std::uint64_t seed)
        : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // In [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + std::int64_t(next() % std::uint64_t(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }

private:
    std::uint64_t m_state;
};
