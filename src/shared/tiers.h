// The tree's five cone tiers, bottom to top. The tree model builds one cone
// per row; the layout hangs the ornament slots on the same cones.
#pragma once
#include <cstdint>

namespace shared {

// A tier is a cone: at height y in [base_height, base_height + height] its
// radius is base_radius x (1 - (y - base_height) / height).
struct Tier {
    float base_height;
    float base_radius;
    float height;
};

constexpr int32_t tier_count = 5;

// Read-only; world units.
// one row per line, as the table is written
// clang-format off
constexpr Tier tier_table[tier_count] = {
    {1.05f, 2.5f, 2.3f},
    {2.25f, 2.05f, 2.0f},
    {3.3f, 1.62f, 1.75f},
    {4.25f, 1.2f, 1.5f},
    {5.1f, 0.78f, 1.25f},
};
// clang-format on

}  // namespace shared
