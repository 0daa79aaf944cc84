// Small helpers shared by the unit tests.
#pragma once
#include <cstdint>

namespace test_support {

// The random state n draws after seed, stepped here with the generator's
// rule rather than through the program's own random source.
inline uint32_t state_after(uint32_t seed, int draws) {
    uint32_t x = seed;
    for (int i = 0; i < draws; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
    }
    return x;
}

}  // namespace test_support
