#include "shared/random.h"

namespace shared {

uint32_t random_state = 1;

void seed_random(uint32_t seed) { random_state = seed; }

uint32_t random_word() {
    uint32_t x = random_state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    random_state = x;
    return x;
}

float random_unit() { return static_cast<float>(random_word() & 0xFFFFFFu) * (1.0f / 16777216.0f); }

float random_range(float lo, float hi) {
    const float width = hi - lo;
    return lo + width * random_unit();
}

}  // namespace shared
