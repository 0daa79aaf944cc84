#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/run/capture.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"
#include "test_support.h"

namespace {

using test_support::state_after;

using namespace scene;

void start(int32_t snow, int32_t mode = shared::mode_windowed, uint32_t seed = 8230) {
    reset_scene_state();
    shared::seed_random(seed);
    layout_scene(mode == shared::mode_preview, snow != 0);
}

int count_in_state(int32_t state) {
    int n = 0;
    for (const Ornament& o : ornaments) n += o.state == state;
    return n;
}

bool same(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof(Vec3)) == 0; }

// Launches the next ornament with a step that brings the timer to exactly 0,
// then holds back further launches.
Ornament& launch_one() {
    launch_timer = 0.001f;
    step_scene(0.001f);
    Ornament& o = ornaments[launch_order[pending_count]];
    EXPECT_EQ(o.state, ornament_arriving);
    launch_timer = 1000.0f;
    return o;
}

// A flight ends in the step whose progress reaches exactly 1, on the slot.
TEST(SceneStep, LandsExactlyOnTheSlotWithSixteenSparks) {
    start(0);
    Ornament& o = launch_one();
    o.flight_duration = 4.0f;
    o.flight_progress = 0.9375f;  // + 0.25 / 4 reaches exactly 1
    const uint32_t s = shared::random_state;
    step_scene(0.25f);
    EXPECT_EQ(o.state, ornament_attached);
    EXPECT_TRUE(same(o.position, o.slot_position));
    EXPECT_TRUE(o.flight_progress == 0.0f && o.spin_angle == 0.0f);
    EXPECT_EQ(shared::random_state, state_after(s, 16 * 6));
    for (int i = 0; i < spark_count; ++i) EXPECT_EQ(sparks[i].life > 0.0f, i < 16) << i;
}

TEST(SceneStep, SnapTakesOnlyTheFreeSparksLowestFirst) {
    start(0);
    Ornament& o = launch_one();
    const int free_entries[10] = {3, 17, 100, 101, 200, 250, 333, 397, 398, 399};
    for (Spark& k : sparks) k.life = 5.0f;
    for (int i : free_entries) sparks[i].life = (i % 2) ? 0.0f : -0.3f;
    o.flight_progress = 1.0f;
    const uint32_t s = shared::random_state;
    step_scene(0.01f);
    EXPECT_EQ(o.state, ornament_attached);
    EXPECT_EQ(shared::random_state, state_after(s, 10 * 6));
    for (int i : free_entries) EXPECT_NEAR(sparks[i].position.y, o.slot_position.y, 0.03f) << i;
    for (const Spark& k : sparks) EXPECT_GT(k.life, 0.0f);
}

TEST(SceneStep, FullLasts270CaptureStepsThenReleasesOnTheClock) {
    for (const float dt : {0.05f, 0.3f}) {
        SCOPED_TRACE(dt);
        start(0);
        while (pending_count > 0 || count_in_state(ornament_attached) < ornament_count) {
            for (Ornament& o : ornaments) {
                if (o.state == ornament_arriving) o.flight_progress = 1.0f;
            }
            launch_timer = -1.0f;
            step_scene(0.001f);
            ASSERT_LT(scene_time, 1.0f);
        }
        step_scene(host::capture_step);
        ASSERT_EQ(cycle_phase, phase_full);
        const uint32_t s = shared::random_state;
        int steps = 0;
        for (; cycle_phase == phase_full && steps < 400; ++steps) step_scene(host::capture_step);
        EXPECT_EQ(steps, 270);
        EXPECT_EQ(shared::random_state, state_after(s, 39));  // the new deal only
        EXPECT_TRUE(phase_time == 0.0f && release_counter == 0 && pending_count == 40);

        if (dt > 0.09f) {
            step_scene(dt);  // passes 0, 0.09, 0.18 and 0.27
            EXPECT_EQ(release_counter, 4);
            EXPECT_EQ(count_in_state(ornament_departing), 4);
            EXPECT_EQ(shared::random_state, state_after(s, 39 + 4 * 10));
            for (int k = 0; k < 4; ++k) EXPECT_EQ(ornaments[launch_order[k]].state, ornament_departing);
            continue;
        }
        // Entry k leaves in the first step whose phase time passes 0.09 k.
        while (release_counter < 40) {
            const int32_t k = release_counter;
            const float previous_time = phase_time;
            step_scene(dt);
            EXPECT_LE(release_counter, k + 1);
            if (release_counter == k) continue;
            EXPECT_TRUE(previous_time <= 0.09f * k && phase_time > 0.09f * k) << k;
            EXPECT_EQ(ornaments[launch_order[k]].state, ornament_departing);
        }
        while (cycle_phase == phase_releasing) step_scene(dt);
        EXPECT_EQ(count_in_state(ornament_idle), 40);
        EXPECT_EQ(cycle_phase, phase_filling);
        EXPECT_EQ(phase_time, 0.0f);
        EXPECT_EQ(launch_timer, 1.5f);
        EXPECT_EQ(pending_count, 40);
    }
}

TEST(SceneStep, SnowRespawnsAtTheTopAndStaysPutWhenOff) {
    start(1);
    launch_timer = 1000.0f;
    snow_positions[0] = {1.0f, 0.01f, 2.0f};  // falls to -0.5 in the step
    snow_speeds[0] = 0.51f;
    snow_positions[1] = {-3.0f, 10.0f, 4.0f};
    snow_speeds[1] = 0.5f;
    int respawned = 0;
    for (int i = 0; i < snow_count; ++i) respawned += snow_positions[i].y < snow_speeds[i];
    const uint32_t s = shared::random_state;
    step_scene(1.0f);
    EXPECT_EQ(shared::random_state, state_after(s, 2 * respawned));
    EXPECT_EQ(snow_positions[0].y, 24.0f);
    EXPECT_TRUE(snow_positions[0].x >= -26.0f && snow_positions[0].x < 26.0f);
    EXPECT_NE(snow_positions[0].z, 2.0f);
    EXPECT_EQ(snow_speeds[0], 0.51f);
    EXPECT_EQ(snow_positions[1].y, 9.5f);
    EXPECT_EQ(snow_positions[1].z, 4.0f);

    for (const int32_t mode : {shared::mode_windowed, shared::mode_preview}) {
        const bool preview = mode == shared::mode_preview;
        start(preview, mode);  // snow off, or on in preview
        snow_positions[250] = {5.0f, 5.0f, 5.0f};
        snow_speeds[250] = 0.5f;
        Vec3 laid[snow_capacity];
        std::memcpy(laid, snow_positions, sizeof laid);
        const uint32_t before = shared::random_state;
        for (int i = 0; i < 20; ++i) step_scene(0.05f);  // 1 s: nothing launched yet
        for (int i = 0; i < 250; ++i) EXPECT_EQ(snow_positions[i].y != laid[i].y, preview) << i;
        EXPECT_EQ(std::memcmp(laid + 250, snow_positions + 250, sizeof(Vec3) * 1050), 0);
        if (!preview) {
            EXPECT_EQ(shared::random_state, before);
        }
    }
}

// The live modes' clock: past its limit, the step that brings the cycle back
// to an empty tree starts the scene time again from 0, and no other step
// does, not even one while the tree fills; below the limit a return changes
// nothing; the capture's own step never restarts it.
TEST(SceneStep, LiveClockStartsAgainOnlyAtAnEmptyTreePastItsLimit) {
    start(0, shared::mode_windowed, 4242);
    scene_time = scene_clock_limit + 1.0f;  // past the limit while the tree fills
    const float dt = 1.0f / 60.0f;
    int returns = 0;
    while (returns < 2) {
        const int32_t phase = cycle_phase;
        const float before = scene_time;
        step_live_scene(dt);
        const bool returned = phase == phase_releasing && cycle_phase == phase_filling;
        returns += returned;
        if (returned && returns == 1) {
            ASSERT_EQ(scene_time, 0.0f);
        } else {
            ASSERT_NEAR(scene_time - before, dt, 0.15f * dt) << returns;
        }
    }
    EXPECT_GT(scene_time, 40.0f);  // a whole cycle since the restart

    start(0, shared::mode_capture, 4242);
    scene_time = scene_clock_limit;
    for (int step = 0; step < static_cast<int>(70.0f / host::capture_step); ++step) {
        const float before = scene_time;
        step_scene(host::capture_step);
        ASSERT_GT(scene_time, before);
    }
}

}  // namespace
