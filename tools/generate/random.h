#pragma once

#include <cstdint>

namespace dialtally {

// splitmix64: small, fast and the same on every platform and standard library, which the
// standard distributions are not; a seed must give the same bytes everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    // lo..hi inclusive
    std::int64_t Range(std::int64_t lo, std::int64_t hi)
    {
        return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool Chance(double p) { return Uniform() < p; }

private:
    std::uint64_t m_state;
};

} // namespace dialtally
