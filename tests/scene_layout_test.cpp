#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/random.h"
#include "host/run_mode.h"
#include "scene/layout.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "test_support.h"

namespace {

using test_support::state_after;

using namespace scene;

void lay_out_from(uint32_t seed, int32_t mode) {
    reset_scene_state();
    host::run_mode = mode;
    host::seed_random(seed);
    layout_scene();
}

float radial(const Vec3& p) { return std::sqrt(p.x * p.x + p.z * p.z); }

TEST(SceneLayout, WorkedValuesFromState8230) {
    host::seed_random(8230);
    EXPECT_NEAR(host::random_unit(), 0.596293f, 1e-6f);
    EXPECT_NEAR(host::random_unit(), 0.756817f, 1e-6f);
    EXPECT_NEAR(host::random_unit(), 0.174073f, 1e-6f);
    EXPECT_NEAR(host::random_unit(), 0.534616f, 1e-6f);

    lay_out_from(8230, host::mode_windowed);
    const Ornament& o = ornaments[0];
    EXPECT_NEAR(std::atan2(o.slot_normal.z, o.slot_normal.x), 0.0154068f, 1e-6f);
    EXPECT_NEAR(o.slot_position.y + 0.12f, 1.50007f, 1e-5f);
    EXPECT_NEAR(o.slot_position.x, 2.11055f, 1e-5f);
    EXPECT_NEAR(o.slot_position.y, 1.38007f, 1e-5f);
    EXPECT_NEAR(o.slot_position.z, 0.0325194f, 1e-6f);

    host::seed_random(8230);
    deal_launch_order();
    const int32_t dealt[ornament_count] = {20, 9,  32, 39, 22, 16, 7,  38, 18, 10, 17, 26, 36, 3,
                                           4,  24, 31, 12, 33, 27, 1,  0,  35, 5,  28, 25, 37, 30,
                                           34, 15, 8,  21, 2,  11, 14, 13, 19, 6,  29, 23};
    for (int i = 0; i < ornament_count; ++i) EXPECT_EQ(launch_order[i], dealt[i]) << i;
    EXPECT_EQ(pending_count, 40);
    EXPECT_EQ(host::random_state, state_after(8230, 39));
}

TEST(SceneLayout, DrawCountsAndRepeatability) {
    lay_out_from(8230, host::mode_windowed);
    EXPECT_EQ(host::random_state, state_after(8230, 80 + 168 + 4 * 1300 + 2800 + 39));
    EXPECT_EQ(snow_count, 1300);

    Ornament first_ornaments[ornament_count];
    Bulb first_bulbs[bulb_count];
    Vec3 first_snow[snow_capacity];
    Vec3 first_stars[star_count];
    int32_t first_order[ornament_count];
    std::memcpy(first_ornaments, ornaments, sizeof ornaments);
    std::memcpy(first_bulbs, bulbs, sizeof bulbs);
    std::memcpy(first_snow, snow_positions, sizeof snow_positions);
    std::memcpy(first_stars, sky_stars, sizeof sky_stars);
    std::memcpy(first_order, launch_order, sizeof launch_order);

    lay_out_from(8230, host::mode_capture);
    EXPECT_EQ(std::memcmp(first_ornaments, ornaments, sizeof ornaments), 0);
    EXPECT_EQ(std::memcmp(first_bulbs, bulbs, sizeof bulbs), 0);
    EXPECT_EQ(std::memcmp(first_snow, snow_positions, sizeof snow_positions), 0);
    EXPECT_EQ(std::memcmp(first_stars, sky_stars, sizeof sky_stars), 0);
    EXPECT_EQ(std::memcmp(first_order, launch_order, sizeof launch_order), 0);

    // The layout leaves the clocks, the cycle and the sparks at their start.
    EXPECT_EQ(scene_time, 0.0f);
    EXPECT_EQ(phase_time, 0.0f);
    EXPECT_EQ(cycle_phase, phase_filling);
    EXPECT_EQ(launch_timer, 1.2f);
    EXPECT_EQ(release_counter, 0);
    for (const Spark& s : sparks) EXPECT_EQ(s.life, 0.0f);
}

TEST(SceneLayout, PreviewLaysOutOnly250Flakes) {
    lay_out_from(8230, host::mode_preview);
    EXPECT_EQ(snow_count, 250);
    EXPECT_EQ(host::random_state, state_after(8230, 80 + 168 + 4 * 250 + 2800 + 39));
    for (int i = 0; i < 250; ++i) {
        EXPECT_GE(snow_positions[i].x, -26.0f);
        EXPECT_LT(snow_positions[i].x, 26.0f);
        EXPECT_GE(snow_positions[i].y, 0.0f);
        EXPECT_LT(snow_positions[i].y, 24.0f);
        EXPECT_GE(snow_speeds[i], 0.35f);
        EXPECT_LT(snow_speeds[i], 0.9f);
    }
    for (int i = 250; i < snow_capacity; ++i) {
        EXPECT_EQ(snow_positions[i].x, 0.0f);
        EXPECT_EQ(snow_positions[i].y, 0.0f);
        EXPECT_EQ(snow_positions[i].z, 0.0f);
        EXPECT_EQ(snow_speeds[i], 0.0f);
    }
}

TEST(SceneLayout, SlotsSitOnTheirConesAndStartIdle) {
    lay_out_from(8230, host::mode_windowed);
    const float base[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
    const float radius[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
    const float height[5] = {2.3f, 2.0f, 1.75f, 1.5f, 1.25f};
    const int first_slot[6] = {0, 12, 22, 30, 36, 40};
    for (int tier = 0; tier < 5; ++tier) {
        for (int i = first_slot[tier]; i < first_slot[tier + 1]; ++i) {
            const Ornament& o = ornaments[i];
            const float f = (o.slot_position.y + 0.12f - base[tier]) / height[tier];
            EXPECT_GE(f, 0.12f - 1e-5f) << i;
            EXPECT_LT(f, 0.22f + 1e-5f) << i;
            EXPECT_NEAR(radial(o.slot_position), radius[tier] * (1.0f - f) + 0.1f, 1e-5f) << i;
            EXPECT_NEAR(radial(o.slot_normal), 1.0f, 1e-6f) << i;
            EXPECT_EQ(o.slot_normal.y, 0.0f);
            EXPECT_NEAR(o.slot_position.x * o.slot_normal.z, o.slot_position.z * o.slot_normal.x, 1e-5f);
            // Slot k of N lies within 0.08 rad of k / N turns plus 0.41 per tier.
            const int k = i - first_slot[tier];
            const int n = first_slot[tier + 1] - first_slot[tier];
            const float a = std::atan2(o.slot_normal.z, o.slot_normal.x);
            const float expected = k * 6.2831853f / n + 0.41f * tier;
            const float off = std::remainder(a - expected, 6.2831853f);
            EXPECT_LE(std::fabs(off), 0.08f + 1e-5f) << i;
            EXPECT_EQ(o.state, ornament_idle);
            EXPECT_EQ(o.trail_count, 0);
            EXPECT_EQ(o.current_scale, 0.0f);
        }
    }
}

TEST(SceneLayout, BulbsSpiralUpOnTheWiderCone) {
    lay_out_from(8230, host::mode_windowed);
    EXPECT_NEAR(bulbs[0].position.y, 1.278f, 1e-3f);
    EXPECT_NEAR(bulbs[83].position.y, 5.972f, 1e-3f);
    int overlapping = 0;
    for (int k = 0; k < bulb_count; ++k) {
        const Bulb& b = bulbs[k];
        if (k > 0) {
            EXPECT_GT(b.position.y, bulbs[k - 1].position.y);
        }
        EXPECT_GE(b.blink_phase, 0.0f);
        EXPECT_LT(b.blink_phase, 6.2831853f);
        EXPECT_GE(b.blink_rate, 1.4f);
        EXPECT_LT(b.blink_rate, 3.2f);
        EXPECT_EQ(b.colour_index, k % 6);
        // The widest cone whose span holds the bulb's height.
        const float y = b.position.y;
        float widest = 0.0f;
        int spans = 0;
        const float base[5] = {1.05f, 2.25f, 3.3f, 4.25f, 5.1f};
        const float radius[5] = {2.5f, 2.05f, 1.62f, 1.2f, 0.78f};
        const float height[5] = {2.3f, 2.0f, 1.75f, 1.5f, 1.25f};
        for (int t = 0; t < 5; ++t) {
            if (y < base[t] || y > base[t] + height[t]) continue;
            ++spans;
            widest = std::fmax(widest, radius[t] * (1.0f - (y - base[t]) / height[t]));
        }
        if (spans > 1) ++overlapping;
        EXPECT_NEAR(radial(b.position), widest + 0.05f, 1e-5f) << k;
    }
    EXPECT_GT(overlapping, 10);
    // Where tiers 0 and 1 overlap, tier 1's skirt (1.99875) beats tier 0's
    // upper part (1.14); at tier 2's base both ends of a span count.
    EXPECT_NEAR(tree_radius_at(2.3f), 2.05f * (1.0f - 0.05f / 2.0f), 1e-6f);
    EXPECT_NEAR(tree_radius_at(3.3f), 1.62f, 1e-6f);
    EXPECT_NEAR(tree_radius_at(1.05f), 2.5f, 1e-6f);
    EXPECT_EQ(tree_radius_at(7.0f), 0.0f);
    EXPECT_EQ(tree_radius_at(1.0f), 0.0f);
}

TEST(SceneLayout, SkyStarsAboveTheHorizonAtRadius95) {
    lay_out_from(8230, host::mode_windowed);
    for (const Vec3& s : sky_stars) {
        EXPECT_GE(s.y, 4.75f * (1.0f - 1e-6f));
        EXPECT_NEAR(std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z), 95.0f, 1e-3f);
    }
}

TEST(SceneLayout, LaunchOrderIsAPermutation) {
    lay_out_from(12345, host::mode_full_screen);
    bool seen[ornament_count] = {};
    for (int32_t e : launch_order) {
        ASSERT_GE(e, 0);
        ASSERT_LT(e, ornament_count);
        EXPECT_FALSE(seen[e]);
        seen[e] = true;
    }
    EXPECT_EQ(pending_count, 40);
}

}  // namespace
