// The one random source of the program: a 32-bit xorshift generator.
// Seeded once per run by the saver run (host); every builder and the scene
// step continue the same sequence, so a capture run repeats draw for draw.
#pragma once
#include <cstdint>

namespace shared {

// Owned by random.cpp. Written by seed_random and by every draw; read by
// tests and the inspection tool to check how many draws a builder made.
extern uint32_t random_state;

void seed_random(uint32_t seed);

// x ^= x << 13; x ^= x >> 17; x ^= x << 5, on the unsigned 32-bit state.
uint32_t random_word();

// (word AND 0xFFFFFF) x 2^-24: one draw, in [0, 1).
float random_unit();

// lo + (hi - lo) x u in single precision, the width rounded to single
// precision before the multiply. One draw.
float random_range(float lo, float hi);

}  // namespace shared
