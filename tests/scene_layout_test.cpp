#include <gtest/gtest.h>

#include <cmath>

#include "scene/layout.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"
#include "shared/tiers.h"
#include "test_support.h"

namespace {

using test_support::state_after;

using namespace scene;

void lay_out_from(uint32_t seed, int32_t mode) {
    reset_scene_state();
    shared::seed_random(seed);
    layout_scene(mode == shared::mode_preview, true);
}

float radial(const Vec3& p) { return std::sqrt(p.x * p.x + p.z * p.z); }

// Capture and windowed runs lay out 1300 flakes, the preview 250 and leaves
// the rest untouched; each flake takes four draws.
TEST(SceneLayout, DrawCountsPerMode) {
    for (const int32_t mode : {shared::mode_windowed, shared::mode_capture, shared::mode_preview}) {
        lay_out_from(8230, mode);
        const int32_t flakes = mode == shared::mode_preview ? 250 : 1300;
        EXPECT_EQ(snow_count, flakes);
        EXPECT_EQ(shared::random_state, state_after(8230, 80 + 168 + 4 * flakes + 2800 + 39));
        EXPECT_TRUE(cycle_phase == phase_filling && launch_timer == 1.2f);
    }
    for (int i = 250; i < snow_capacity; ++i) {
        const Vec3& p = snow_positions[i];
        EXPECT_TRUE(p.x == 0.0f && p.y == 0.0f && p.z == 0.0f && snow_speeds[i] == 0.0f) << i;
    }
}

TEST(SceneLayout, SlotsAndBulbsSitOnTheConesStarsAboveTheHorizon) {
    lay_out_from(8230, shared::mode_windowed);
    const int first_slot[6] = {0, 12, 22, 30, 36, 40};
    for (int tier = 0; tier < 5; ++tier) {
        for (int i = first_slot[tier]; i < first_slot[tier + 1]; ++i) {
            // the centre 0.12 below the slot, 12 to 22 % up the tier, 0.1 out of the cone
            const Ornament& o = ornaments[i];
            const shared::Tier& t = shared::tier_table[tier];
            const float f = (o.slot_position.y + 0.12f - t.base_height) / t.height;
            EXPECT_TRUE(f >= 0.12f - 1e-5f && f < 0.22f + 1e-5f) << i;
            const float r = t.base_radius * (1.0f - f) + 0.1f;
            EXPECT_NEAR(o.slot_position.x, r * o.slot_normal.x, 1e-5f) << i;
            EXPECT_NEAR(o.slot_position.z, r * o.slot_normal.z, 1e-5f) << i;
            EXPECT_NEAR(radial(o.slot_normal), 1.0f, 1e-6f) << i;
            EXPECT_TRUE(o.slot_normal.y == 0.0f && o.state == ornament_idle) << i;
            // Slot k of N lies within 0.08 rad of k / N turns plus 0.41 per tier.
            const float a = std::atan2(o.slot_normal.z, o.slot_normal.x);
            const float expected = (i - first_slot[tier]) * 6.2831853f / (first_slot[tier + 1] - first_slot[tier]);
            EXPECT_LE(std::fabs(std::remainder(a - expected - 0.41f * tier, 6.2831853f)), 0.08f + 1e-5f) << i;
        }
    }

    for (int k = 0; k < bulb_count; ++k) {
        const float y = bulbs[k].position.y;
        EXPECT_GT(y, k > 0 ? bulbs[k - 1].position.y : 0.0f) << k;
        EXPECT_NEAR(radial(bulbs[k].position), tree_radius_at(y) + 0.05f, 1e-5f) << k;
    }
    // The widest cone whose span holds y, both ends included: tier 1's skirt
    // beats tier 0's top at 2.3.
    const float radius_at[5][2] = {{2.3f, 2.05f * 0.975f}, {3.3f, 1.62f}, {1.05f, 2.5f}, {7.0f, 0}, {1.0f, 0}};
    for (const auto& c : radius_at) EXPECT_NEAR(tree_radius_at(c[0]), c[1], 1e-6f) << c[0];
    for (const Vec3& s : sky_stars) {
        EXPECT_GE(s.y, 4.75f * (1.0f - 1e-6f));
        EXPECT_NEAR(std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z), 95.0f, 1e-3f);
    }
}

}  // namespace
