#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/layout.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"
#include "test_support.h"

namespace {

using test_support::state_after;

using namespace scene;

constexpr float base[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
constexpr float radius[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
constexpr float height[5] = {2.3f, 2.0f, 1.75f, 1.5f, 1.25f};

void lay_out_from(uint32_t seed, int32_t mode) {
    reset_scene_state();
    shared::seed_random(seed);
    layout_scene(mode == shared::mode_preview, true);
}

float radial(const Vec3& p) { return std::sqrt(p.x * p.x + p.z * p.z); }

std::string laid_out_tables() {
    std::string s;
    auto add = [&s](const void* p, size_t n) { s.append(static_cast<const char*>(p), n); };
    add(ornaments, sizeof ornaments);
    add(bulbs, sizeof bulbs);
    add(snow_positions, sizeof snow_positions);
    add(snow_speeds, sizeof snow_speeds);
    add(sky_stars, sizeof sky_stars);
    add(launch_order, sizeof launch_order);
    return s;
}

TEST(SceneLayout, WorkedValuesFromState8230) {
    shared::seed_random(8230);
    for (float u : {0.596293f, 0.756817f, 0.174073f, 0.534616f}) EXPECT_NEAR(shared::random_unit(), u, 1e-6f);

    lay_out_from(8230, shared::mode_windowed);
    const Ornament& o = ornaments[0];
    EXPECT_NEAR(std::atan2(o.slot_normal.z, o.slot_normal.x), 0.0154068f, 1e-6f);
    EXPECT_NEAR(o.slot_position.y + 0.12f, 1.50007f, 1e-5f);
    EXPECT_NEAR(o.slot_position.x, 2.11055f, 1e-5f);
    EXPECT_NEAR(o.slot_position.z, 0.0325194f, 1e-6f);

    shared::seed_random(8230);
    deal_launch_order();
    const int32_t dealt[ornament_count] = {20, 9,  32, 39, 22, 16, 7,  38, 18, 10, 17, 26, 36, 3,
                                           4,  24, 31, 12, 33, 27, 1,  0,  35, 5,  28, 25, 37, 30,
                                           34, 15, 8,  21, 2,  11, 14, 13, 19, 6,  29, 23};
    for (int i = 0; i < ornament_count; ++i) EXPECT_EQ(launch_order[i], dealt[i]) << i;
    EXPECT_EQ(pending_count, 40);
    EXPECT_EQ(shared::random_state, state_after(8230, 39));
}

TEST(SceneLayout, DrawCountsAndRepeatability) {
    lay_out_from(8230, shared::mode_windowed);
    EXPECT_EQ(snow_count, 1300);
    EXPECT_EQ(shared::random_state, state_after(8230, 80 + 168 + 4 * 1300 + 2800 + 39));
    const std::string first = laid_out_tables();
    lay_out_from(8230, shared::mode_capture);
    EXPECT_TRUE(first == laid_out_tables());
    EXPECT_EQ(cycle_phase, phase_filling);
    EXPECT_EQ(launch_timer, 1.2f);

    lay_out_from(8230, shared::mode_preview);
    EXPECT_EQ(snow_count, 250);
    EXPECT_EQ(shared::random_state, state_after(8230, 80 + 168 + 4 * 250 + 2800 + 39));
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
            const Ornament& o = ornaments[i];
            const float f = (o.slot_position.y + 0.12f - base[tier]) / height[tier];
            EXPECT_TRUE(f >= 0.12f - 1e-5f && f < 0.22f + 1e-5f) << i;
            const float r = radius[tier] * (1.0f - f) + 0.1f;
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

    EXPECT_NEAR(bulbs[0].position.y, 1.278f, 1e-3f);
    EXPECT_NEAR(bulbs[83].position.y, 5.972f, 1e-3f);
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
