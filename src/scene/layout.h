// The start-up layout's pieces, exposed for the scene step and the tests.
#pragma once
#include <cstdint>

#include "shared/tiers.h"

namespace scene {

// Ornament slots per tier, bottom to top; 40 in all.
constexpr int32_t slots_per_tier[shared::tier_count] = {12, 10, 8, 6, 4};

// The tree's radius at height y: the largest cone radius among the tiers
// whose span (base_height <= y <= base_height + height, both ends
// included) holds y; 0 when none does.
float tree_radius_at(float y);

// A new launch order: 0..39 shuffled with 39 draws (i = 40 down to 2:
// j = trunc(i x u), swap entries i - 1 and j), and pending count 40.
void deal_launch_order();

}  // namespace scene
