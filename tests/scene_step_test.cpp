#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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

TEST(SceneStep, FirstLaunchWaitsForTheTimerTakesEntry39) {
    start(0);
    const Ornament& o = ornaments[launch_order[39]];
    const uint32_t s = shared::random_state;
    for (int step = 0; o.state == ornament_idle; ++step) {
        ASSERT_LT(step, 30);
        EXPECT_GT(launch_timer, 0.0f);
        EXPECT_EQ(shared::random_state, s);
        step_scene(0.05f);
    }
    EXPECT_NEAR(scene_time, 1.2f, 0.05f);
    EXPECT_EQ(pending_count, 39);
    EXPECT_EQ(count_in_state(ornament_arriving), 1);
    EXPECT_EQ(shared::random_state, state_after(s, 16));
    EXPECT_TRUE(same(o.control_points[3], o.slot_position));
    EXPECT_TRUE(launch_timer >= 0.55f && launch_timer < 1.05f);

    launch_timer = -50.0f;  // however late the timer, one launch per step
    step_scene(0.05f);
    EXPECT_EQ(count_in_state(ornament_arriving), 2);
    EXPECT_EQ(ornaments[launch_order[38]].state, ornament_arriving);
}

// One ornament from launch to idle: trails, the exact landing, sparks,
// wobble, departure and shrinking.
TEST(SceneStep, OneOrnamentLandsExactlyWobblesDepartsAndLeavesItsTrail) {
    start(0);
    Ornament& o = launch_one();
    o.flight_duration = 100.0f;
    step_scene(0.05f);  // clock 0.051: three samples
    EXPECT_EQ(o.trail_count, 3);
    for (int i = 0; i < 20; ++i) step_scene(0.05f);
    EXPECT_EQ(o.trail_count, 30);

    o.flight_duration = 4.0f;
    o.flight_progress = 0.9375f;  // + 0.25 / 4 reaches exactly 1
    uint32_t s = shared::random_state;
    step_scene(0.25f);
    EXPECT_EQ(o.state, ornament_attached);
    EXPECT_TRUE(same(o.position, o.slot_position));
    EXPECT_TRUE(o.flight_progress == 0.0f && o.spin_angle == 0.0f);
    EXPECT_EQ(shared::random_state, state_after(s, 16 * 6));
    for (int i = 0; i < spark_count; ++i) EXPECT_EQ(sparks[i].life > 0.0f, i < 16) << i;
    const Spark& k = sparks[0];
    EXPECT_TRUE(k.life >= 0.25f && k.life < 0.65f);  // drawn in [0.5, 0.9), then moved once
    EXPECT_NEAR(k.position.y, o.slot_position.y + k.velocity.y * 0.25f, 1e-5f);  // gravity first
    EXPECT_EQ(o.trail_count, 30);  // sampled in the snapping step, eaten from the next
    const float vy = k.velocity.y;
    step_scene(0.01f);
    EXPECT_EQ(o.trail_count, 29);
    EXPECT_FLOAT_EQ(k.velocity.y, vy - 0.025f);

    auto wobble = [&o] {  // the offset along the (horizontal) slot normal
        return (o.position.x - o.slot_position.x) * o.slot_normal.x +
               (o.position.z - o.slot_position.z) * o.slot_normal.z;
    };
    float largest = 0.0f;
    for (int i = 0; i < 300; ++i) {
        step_scene(0.01f);
        const float w = wobble();
        largest = std::fmax(largest, std::fabs(w));
        EXPECT_LE(std::fabs(w), 0.14f);
        EXPECT_NEAR(o.position.y, o.slot_position.y - 0.4f * std::fabs(w), 1e-6f);
    }
    EXPECT_GT(largest, 0.05f);
    EXPECT_LT(std::fabs(wobble()), 1e-6f);
    const Spark dead = k;  // a spent spark stays as it is
    step_scene(0.05f);
    EXPECT_LE(k.life, 0.0f);
    EXPECT_EQ(std::memcmp(&dead, &k, sizeof(Spark)), 0);

    cycle_phase = phase_releasing;  // with o first in the order
    phase_time = 0.0f;
    release_counter = 0;
    for (int32_t& e : launch_order) {
        if (e == &o - ornaments) std::swap(launch_order[0], e);
    }
    const Vec3 from = o.position;
    o.trail_count = 20;  // a fresh departure starts a new trail
    s = shared::random_state;
    step_scene(0.05f);
    ASSERT_EQ(o.state, ornament_departing);
    EXPECT_EQ(shared::random_state, state_after(s, 10));
    EXPECT_TRUE(same(o.control_points[0], from));
    EXPECT_EQ(o.trail_count, 3);
    o.flight_duration = 4.0f;
    o.flight_progress = 0.4375f;
    step_scene(0.25f);  // d = 0.5
    EXPECT_NEAR(o.current_scale, 0.7f * o.base_scale, 1e-6f);
    while (o.state == ornament_departing) step_scene(0.05f);
    EXPECT_NEAR(o.current_scale, 0.4f * o.base_scale, 1e-6f);
    EXPECT_TRUE(same(o.position, o.control_points[3]));
    EXPECT_EQ(o.trail_count, 30);
    step_scene(0.05f);
    EXPECT_EQ(o.trail_count, 29);  // the idle ornament eats it too
    for (int i = 0; i < 29; ++i) step_scene(0.05f);
    EXPECT_EQ(o.trail_count, 0);
    EXPECT_TRUE(same(o.position, o.control_points[3]));
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

TEST(SceneStep, SnowRespawnsAtTheTopSwaysAndStaysPutWhenOff) {
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
    EXPECT_NEAR(snow_positions[1].x, -3.0f + 0.15f * std::sin(1.0f + 0.6f), 1e-6f);

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

// Every step's draws add up to 16 per launch, 10 per release, 6 per new
// spark, 39 per deal and 2 per respawned flake; states move only along the
// four transitions; the cycle goes round twice.
TEST(SceneStep, WholeCyclesKeepTheirDrawCountsAndInvariants) {
    for (const auto& [dt, snow] : {std::pair{0.05f, 1}, std::pair{host::capture_step, 0}}) {
        SCOPED_TRACE(dt);
        start(snow, shared::mode_full_screen, 4242);
        int32_t states[ornament_count];
        float lives[spark_count];
        int fills = 0;
        for (int step = 0; step < static_cast<int>(130.0f / dt); ++step) {
            for (int i = 0; i < ornament_count; ++i) states[i] = ornaments[i].state;
            for (int i = 0; i < spark_count; ++i) lives[i] = sparks[i].life;
            const int32_t phase = cycle_phase;
            const int32_t pending = pending_count;
            const int32_t released = phase == phase_releasing ? release_counter : 0;
            const uint32_t before = shared::random_state;
            step_scene(dt);

            int draws = 16 * std::max(pending - pending_count, 0);
            if (cycle_phase == phase_releasing) draws += 10 * (release_counter - released);
            if (phase != cycle_phase && cycle_phase != phase_full) draws += 39;
            if (phase == phase_releasing && cycle_phase == phase_filling) ++fills;
            for (int i = 0; i < spark_count; ++i) draws += 6 * (lives[i] <= 0.0f && sparks[i].life > 0.0f);
            for (int i = 0; i < snow_count && snow; ++i) draws += 2 * (snow_positions[i].y == 24.0f);
            ASSERT_EQ(shared::random_state, state_after(before, draws)) << step;

            for (int i = 0; i < ornament_count; ++i) {
                const int32_t to = ornaments[i].state;
                ASSERT_TRUE(to == states[i] || to == (states[i] + 1) % 4) << step << " ornament " << i;
                ASSERT_LE(ornaments[i].trail_count, 30);
            }
            bool seen[ornament_count] = {};
            for (int32_t e : launch_order) {
                ASSERT_TRUE(e >= 0 && e < ornament_count && !seen[e]) << step;
                seen[e] = true;
            }
            ASSERT_TRUE(pending_count >= 0 && pending_count <= 40 && release_counter >= 0 && release_counter <= 40);
        }
        EXPECT_EQ(fills, 2);
    }
}

// The live modes' clock: past its limit, the step that brings the cycle back
// to an empty tree starts the scene time again from 0, and no other step
// does; below the limit a return changes nothing; the capture's own step
// never restarts it.
TEST(SceneStep, LiveClockStartsAgainOnlyAtAnEmptyTreePastItsLimit) {
    start(0, shared::mode_windowed, 4242);
    scene_time = scene_clock_limit - 40.0f;  // a cycle takes longer than 40 s
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
    EXPECT_GT(scene_time, 40.0f);

    start(0, shared::mode_capture, 4242);
    scene_time = scene_clock_limit;
    for (int step = 0; step < static_cast<int>(70.0f / host::capture_step); ++step) {
        const float before = scene_time;
        step_scene(host::capture_step);
        ASSERT_GT(scene_time, before);
    }
}

}  // namespace
