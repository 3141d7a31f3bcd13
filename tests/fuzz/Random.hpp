#pragma once

#include <cstddef>
#include <cstdint>

namespace qel::fuzz {

// A small random source of its own (splitmix64): a seed gives the same numbers with every
// compiler and standard library, so a seed names one script and one run for good.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number from 0 to count - 1.
    int below(int count) { return static_cast<int>(next() % static_cast<uint64_t>(count)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

    template <class T, size_t N>
    const T& pick(const T (&items)[N])
    {
        return items[below(static_cast<int>(N))];
    }

private:
    uint64_t state;
};

} // namespace qel::fuzz
