#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/capture.h"
#include "host/random.h"
#include "host/run_mode.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

using test_support::state_after;

using namespace scene;

void start(int32_t snow, int32_t mode = host::mode_windowed, uint32_t seed = 8230) {
    reset_scene_state();
    host::run_mode = mode;
    settings::snow_flag = snow;
    host::seed_random(seed);
    layout_scene();
}

int count_in_state(int32_t state) {
    int n = 0;
    for (const Ornament& o : ornaments) n += o.state == state ? 1 : 0;
    return n;
}

float along(const Vec3& p, const Vec3& from, const Vec3& n) {
    return (p.x - from.x) * n.x + (p.y - from.y) * n.y + (p.z - from.z) * n.z;
}

bool is_permutation(const int32_t* order) {
    bool seen[ornament_count] = {};
    for (int i = 0; i < ornament_count; ++i) {
        if (order[i] < 0 || order[i] >= ornament_count || seen[order[i]]) return false;
        seen[order[i]] = true;
    }
    return true;
}

// Launches the next ornament with a tiny step and stops further launches.
Ornament& launch_one() {
    launch_timer = 0.0f;
    step_scene(0.001f);
    Ornament& o = ornaments[launch_order[pending_count]];
    EXPECT_EQ(o.state, ornament_arriving);
    launch_timer = 1000.0f;
    return o;
}

TEST(SceneStep, FirstLaunchWaitsForTheTimerAndTakesEntry39) {
    start(0);
    const int32_t first = launch_order[39];
    float timer = launch_timer;
    for (int step = 0; step < 100; ++step) {
        const uint32_t before = host::random_state;
        step_scene(0.05f);
        if (count_in_state(ornament_arriving) == 0) {
            EXPECT_GT(launch_timer, 0.0f);
            EXPECT_EQ(host::random_state, before);
            timer = launch_timer;
            continue;
        }
        EXPECT_LE(timer - 0.05f, 0.0f);
        EXPECT_NEAR(scene_time, 1.2f, 0.05f);
        EXPECT_EQ(ornaments[first].state, ornament_arriving);
        EXPECT_EQ(pending_count, 39);
        EXPECT_EQ(host::random_state, state_after(before, 16));
        const Ornament& o = ornaments[first];
        const Vec3 p0 = o.control_points[0];
        const float d = std::sqrt(p0.x * p0.x + p0.z * p0.z);
        EXPECT_GE(d, 30.0f - 1e-4f);
        EXPECT_LT(d, 40.0f + 1e-4f);
        EXPECT_GE(p0.y, 5.0f);
        EXPECT_LT(p0.y, 17.0f);
        EXPECT_EQ(std::memcmp(&o.control_points[3], &o.slot_position, sizeof(Vec3)), 0);
        EXPECT_GE(o.base_scale, 0.17f);
        EXPECT_LT(o.base_scale, 0.23f);
        EXPECT_EQ(o.current_scale, o.base_scale);
        EXPECT_NEAR(std::sqrt(o.spin_axis.x * o.spin_axis.x + o.spin_axis.y * o.spin_axis.y +
                              o.spin_axis.z * o.spin_axis.z),
                    1.0f, 1e-5f);
        EXPECT_GE(o.flight_duration, 4.2f);
        EXPECT_LT(o.flight_duration, 6.4f);
        EXPECT_GE(launch_timer, 0.55f);
        EXPECT_LT(launch_timer, 1.05f);
        // The colour is one of the eight palette entries.
        const uint32_t palette[8] = {0xE63946, 0xF4C430, 0xC9D1E0, 0x2A6FDB,
                                     0x9B4DCA, 0x2BB673, 0xFF6FB0, 0xFF8C1A};
        bool in_palette = false;
        for (uint32_t c : palette) {
            in_palette |= o.colour.x == ((c >> 16) & 255) / 255.0f &&
                          o.colour.y == ((c >> 8) & 255) / 255.0f && o.colour.z == (c & 255) / 255.0f;
        }
        EXPECT_TRUE(in_palette);
        return;
    }
    FAIL() << "no launch in 5 s";
}

TEST(SceneStep, OneLaunchPerStepHoweverLateTheTimer) {
    start(0);
    launch_timer = -50.0f;
    step_scene(0.05f);
    EXPECT_EQ(count_in_state(ornament_arriving), 1);
    EXPECT_EQ(pending_count, 39);
    launch_timer = -50.0f;
    step_scene(0.05f);
    EXPECT_EQ(count_in_state(ornament_arriving), 2);
    EXPECT_EQ(ornaments[launch_order[38]].state, ornament_arriving);
}

TEST(SceneStep, ArrivalEndsExactlyOnTheSlotWithSparks) {
    start(0);
    Ornament& o = launch_one();
    o.flight_duration = 4.0f;
    o.flight_progress = 0.9375f;  // + 0.25 / 4 reaches exactly 1
    const uint32_t before = host::random_state;
    step_scene(0.25f);
    EXPECT_EQ(o.state, ornament_attached);
    EXPECT_EQ(std::memcmp(&o.position, &o.slot_position, sizeof(Vec3)), 0);
    EXPECT_EQ(o.flight_progress, 0.0f);
    EXPECT_EQ(o.spin_angle, 0.0f);
    EXPECT_EQ(host::random_state, state_after(before, 16 * 6));
    for (int i = 0; i < spark_count; ++i) {
        if (i >= 16) {
            EXPECT_EQ(sparks[i].life, 0.0f);
            continue;
        }
        const Spark& s = sparks[i];
        EXPECT_GE(s.life, 0.25f);  // drawn in [0.5, 0.9), then moved once
        EXPECT_LT(s.life, 0.65f);
        const float speed = std::sqrt(s.velocity.x * s.velocity.x +
                                      (s.velocity.y + 0.625f) * (s.velocity.y + 0.625f) +
                                      s.velocity.z * s.velocity.z);
        EXPECT_GE(speed, 1.2f - 1e-4f);
        EXPECT_LT(speed, 2.6f + 1e-4f);
        EXPECT_NEAR(s.position.x, o.slot_position.x + s.velocity.x * 0.25f, 1e-5f);
        const bool own = std::memcmp(&s.colour, &o.colour, sizeof(Vec3)) == 0;
        const bool pale = s.colour.x == 1.0f && s.colour.y == 0.95f && s.colour.z == 0.75f;
        EXPECT_TRUE(own || pale);
    }
}

TEST(SceneStep, SnapTakesOnlyTheFreeSparksLowestFirst) {
    start(0);
    Ornament& o = launch_one();
    const int free_entries[10] = {3, 17, 100, 101, 200, 250, 333, 397, 398, 399};
    for (Spark& s : sparks) s.life = 5.0f;
    for (int i : free_entries) sparks[i].life = (i % 2) ? 0.0f : -0.3f;
    o.flight_progress = 1.0f;
    const uint32_t before = host::random_state;
    step_scene(0.01f);
    EXPECT_EQ(o.state, ornament_attached);
    EXPECT_EQ(host::random_state, state_after(before, 10 * 6));
    for (int i : free_entries) {
        EXPECT_GT(sparks[i].life, 0.48f) << i;
        EXPECT_NEAR(sparks[i].position.y, o.slot_position.y, 0.03f) << i;
    }
    for (const Spark& s : sparks) EXPECT_GT(s.life, 0.0f);

    // A pool with 20 free entries gives the 16 lowest.
    for (Spark& s : sparks) s.life = 5.0f;
    for (int i = 0; i < 20; ++i) sparks[380 + i].life = 0.0f;
    Ornament& second = launch_one();
    second.flight_progress = 1.0f;
    step_scene(0.01f);
    for (int i = 380; i < 396; ++i) EXPECT_GT(sparks[i].life, 0.48f) << i;
    for (int i = 396; i < 400; ++i) EXPECT_EQ(sparks[i].life, 0.0f) << i;
}

TEST(SceneStep, SparksFallAndDie) {
    start(0);
    launch_timer = 1000.0f;
    sparks[7] = {0.1f, {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}};
    step_scene(0.05f);
    EXPECT_FLOAT_EQ(sparks[7].life, 0.05f);
    EXPECT_FLOAT_EQ(sparks[7].velocity.y, -0.125f);
    EXPECT_FLOAT_EQ(sparks[7].position.y, 1.0f - 0.125f * 0.05f);  // the new velocity moves it
    EXPECT_FLOAT_EQ(sparks[7].position.x, 0.05f);
    step_scene(0.05f);
    step_scene(0.05f);
    const Spark dead = sparks[7];
    step_scene(0.05f);
    EXPECT_LE(sparks[7].life, 0.0f);
    EXPECT_EQ(std::memcmp(&dead, &sparks[7], sizeof(Spark)), 0);
}

TEST(SceneStep, WobbleStartsAtZeroAndStaysWithinBounds) {
    start(0);
    Ornament& o = launch_one();
    o.flight_progress = 1.0f;
    step_scene(0.01f);
    ASSERT_EQ(o.state, ornament_attached);
    EXPECT_EQ(std::memcmp(&o.position, &o.slot_position, sizeof(Vec3)), 0);
    float largest = 0.0f;
    for (int i = 0; i < 300; ++i) {
        step_scene(0.01f);
        const float w = along(o.position, o.slot_position, o.slot_normal);
        largest = std::fmax(largest, std::fabs(w));
        EXPECT_LE(std::fabs(w), 0.14f);
        EXPECT_NEAR(o.position.y, o.slot_position.y - 0.4f * std::fabs(w), 1e-6f);
    }
    EXPECT_GT(largest, 0.05f);
    EXPECT_NEAR(o.flight_progress, 3.0f, 1e-3f);
    EXPECT_LT(std::fabs(along(o.position, o.slot_position, o.slot_normal)), 1e-6f);
}

TEST(SceneStep, TrailsGrowToThirtyAndAreEatenWhenAttachedOrIdle) {
    start(0);
    Ornament& o = launch_one();
    o.flight_duration = 100.0f;
    step_scene(0.05f);  // clock 0.051: three samples
    EXPECT_EQ(o.trail_count, 3);
    EXPECT_EQ(std::memcmp(&o.trail[0], &o.position, sizeof(Vec3)), 0);
    EXPECT_EQ(std::memcmp(&o.trail[2], &o.position, sizeof(Vec3)), 0);
    for (int i = 0; i < 20; ++i) step_scene(0.05f);
    EXPECT_EQ(o.trail_count, 30);
    EXPECT_LE(o.trail_clock, 0.016f);

    o.flight_progress = 1.0f;
    step_scene(0.01f);
    ASSERT_EQ(o.state, ornament_attached);
    EXPECT_EQ(o.trail_count, 30);  // sampled in the snapping step, eaten from the next
    step_scene(0.01f);
    EXPECT_EQ(o.trail_count, 29);

    // Depart, end the flight, then the idle ornament eats its trail too.
    cycle_phase = phase_releasing;
    phase_time = 0.0f;
    release_counter = 0;
    for (int i = 0; i < ornament_count; ++i) {
        if (launch_order[i] == &o - ornaments) std::swap(launch_order[0], launch_order[i]);
    }
    step_scene(0.05f);
    ASSERT_EQ(o.state, ornament_departing);
    EXPECT_EQ(o.trail_count, 3);
    for (int i = 0; i < 40; ++i) step_scene(0.05f);
    o.flight_progress = 0.99f;
    step_scene(0.05f);
    ASSERT_EQ(o.state, ornament_idle);
    EXPECT_EQ(o.trail_count, 30);
    const Vec3 last = o.position;
    for (int i = 1; i <= 30; ++i) {
        step_scene(0.05f);
        EXPECT_EQ(o.trail_count, 30 - i);
    }
    EXPECT_EQ(std::memcmp(&last, &o.position, sizeof(Vec3)), 0);
}

TEST(SceneStep, DepartingOrnamentsShrinkToFortyPercent) {
    start(0);
    Ornament& o = launch_one();
    o.flight_progress = 1.0f;
    step_scene(0.01f);
    cycle_phase = phase_releasing;
    phase_time = 0.0f;
    release_counter = 0;
    for (int i = 0; i < ornament_count; ++i) {
        if (launch_order[i] == &o - ornaments) std::swap(launch_order[0], launch_order[i]);
    }
    const Vec3 from = o.position;
    const uint32_t before = host::random_state;
    step_scene(0.05f);
    ASSERT_EQ(o.state, ornament_departing);
    EXPECT_EQ(host::random_state, state_after(before, 10));
    EXPECT_EQ(std::memcmp(&o.control_points[0], &from, sizeof(Vec3)), 0);
    EXPECT_GE(o.flight_duration, 3.5f);
    EXPECT_LT(o.flight_duration, 5.0f);
    const Vec3 p3 = o.control_points[3];
    EXPECT_GE(p3.y, 10.0f);
    EXPECT_LT(p3.y, 22.0f);
    EXPECT_GT(along(p3, {0, 0, 0}, o.slot_normal), 30.0f - 8.0f * 1.5f);
    float previous = o.current_scale;
    EXPECT_LT(previous, o.base_scale);
    while (o.state == ornament_departing) {
        step_scene(0.05f);
        EXPECT_LE(o.current_scale, previous);
        previous = o.current_scale;
    }
    EXPECT_NEAR(o.current_scale, 0.4f * o.base_scale, 1e-6f);
    EXPECT_EQ(std::memcmp(&o.position, &p3, sizeof(Vec3)), 0);
}

Vec3 bezier(const Vec3* p, float e) {
    const float c = 1.0f - e;
    const float b[4] = {c * c * c, 3 * c * c * e, 3 * c * e * e, e * e * e};
    Vec3 r = {0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        r.x += b[i] * p[i].x;
        r.y += b[i] * p[i].y;
        r.z += b[i] * p[i].z;
    }
    return r;
}

void expect_near(const Vec3& a, const Vec3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}

TEST(SceneStep, ArrivalsEaseInAndOutDeparturesEaseIn) {
    start(0);
    Ornament& o = launch_one();
    o.flight_duration = 4.0f;
    const float spin = o.spin_angle;
    // Steps of 0.25 s move the progress by exactly 1/16.
    o.flight_progress = 0.1875f;
    step_scene(0.25f);  // d = 0.25: e = 4 d^3
    expect_near(o.position, bezier(o.control_points, 0.0625f));
    EXPECT_NEAR(o.spin_angle, spin + o.spin_rate * 0.25f * 57.2958f, 1e-3f);
    o.flight_progress = 0.4375f;
    step_scene(0.25f);  // d = 0.5: e = 1/2
    expect_near(o.position, bezier(o.control_points, 0.5f));
    o.flight_progress = 0.6875f;
    step_scene(0.25f);  // d = 0.75: e = 1 - 0.5^3 / 2
    expect_near(o.position, bezier(o.control_points, 0.9375f));

    o.flight_progress = 1.0f;
    step_scene(0.01f);
    cycle_phase = phase_releasing;
    phase_time = 0.0f;
    release_counter = 0;
    for (int i = 0; i < ornament_count; ++i) {
        if (launch_order[i] == &o - ornaments) std::swap(launch_order[0], launch_order[i]);
    }
    step_scene(0.001f);
    ASSERT_EQ(o.state, ornament_departing);
    o.flight_duration = 4.0f;
    o.flight_progress = 0.4375f;
    step_scene(0.25f);  // d = 0.5: e = d^2
    expect_near(o.position, bezier(o.control_points, 0.25f));
    EXPECT_NEAR(o.current_scale, 0.7f * o.base_scale, 1e-6f);
}

// The next n unit values from the random source's current state, without
// advancing it.
void peek_units(float* u, int n) {
    uint32_t x = host::random_state;
    for (int i = 0; i < n; ++i) {
        x = state_after(x, 1);
        u[i] = static_cast<float>(x & 0xFFFFFF) / 16777216.0f;
    }
}

float in_range(float lo, float hi, float u) { return lo + (hi - lo) * u; }

TEST(SceneStep, LaunchReleaseAndSparksTakeTheirDrawsInOrder) {
    start(0);
    float u[16];
    peek_units(u, 16);
    const int32_t which = launch_order[39];
    Ornament& o = launch_one();
    ASSERT_EQ(&o, &ornaments[which]);
    const float d = in_range(30, 40, u[1]);
    EXPECT_NEAR(o.control_points[0].x, d * std::cos(6.2831853f * u[0]), 1e-4f);
    EXPECT_NEAR(o.control_points[0].z, d * std::sin(6.2831853f * u[0]), 1e-4f);
    const uint32_t palette[8] = {0xE63946, 0xF4C430, 0xC9D1E0, 0x2A6FDB,
                                 0x9B4DCA, 0x2BB673, 0xFF6FB0, 0xFF8C1A};
    EXPECT_EQ(o.colour.y, ((palette[int(8 * u[2])] >> 8) & 255) / 255.0f);
    EXPECT_NEAR(o.base_scale, in_range(0.17f, 0.23f, u[3]), 1e-6f);
    EXPECT_NEAR(o.control_points[0].y, in_range(5, 17, u[4]), 1e-5f);
    EXPECT_NEAR(o.control_points[1].x - o.control_points[0].x, in_range(-10, 10, u[5]), 1e-4f);
    EXPECT_NEAR(o.control_points[1].y - o.control_points[0].y, in_range(-2, 7, u[6]), 1e-4f);
    EXPECT_NEAR(o.control_points[1].z - o.control_points[0].z, in_range(-10, 10, u[7]), 1e-4f);
    const float k = in_range(3, 6, u[8]);
    EXPECT_NEAR(o.control_points[2].x, o.slot_position.x + k * o.slot_normal.x, 1e-4f);
    EXPECT_NEAR(o.control_points[2].y, o.slot_position.y + in_range(1, 3.5f, u[9]), 1e-4f);
    EXPECT_NEAR(o.flight_duration, in_range(4.2f, 6.4f, u[10]), 1e-5f);
    const float ax = 2 * u[11] - 1, ay = 2 * u[12] - 1, az = 2 * u[13] - 1;
    const float length = std::sqrt(ax * ax + ay * ay + az * az);
    EXPECT_NEAR(o.spin_axis.x, ax / length, 1e-5f);
    EXPECT_NEAR(o.spin_axis.y, ay / length, 1e-5f);
    EXPECT_NEAR(o.spin_rate, in_range(2, 5, u[14]), 1e-5f);
    // launch_one has since set the timer out of the way; the drawn gap was u[15].

    o.flight_progress = 1.0f;
    float v[6];
    peek_units(v, 6);
    step_scene(0.001f);
    ASSERT_EQ(o.state, ornament_attached);
    const Spark& first = sparks[0];
    EXPECT_NEAR(first.life, in_range(0.5f, 0.9f, v[0]) - 0.001f, 1e-6f);
    const float dx = 2 * v[1] - 1, dy = in_range(-0.4f, 1.4f, v[2]), dz = 2 * v[3] - 1;
    const float dl = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float speed = in_range(1.2f, 2.6f, v[4]);
    EXPECT_NEAR(first.velocity.x, dx / dl * speed, 1e-4f);
    EXPECT_NEAR(first.velocity.z, dz / dl * speed, 1e-4f);
    EXPECT_EQ(first.colour.y, v[5] < 0.5f ? o.colour.y : 0.95f);

    cycle_phase = phase_releasing;
    phase_time = 0.0f;
    release_counter = 0;
    for (int i = 0; i < ornament_count; ++i) {
        if (launch_order[i] == which) std::swap(launch_order[0], launch_order[i]);
    }
    const Vec3 from = o.position;
    float w[10];
    peek_units(w, 10);
    step_scene(0.001f);
    ASSERT_EQ(o.state, ornament_departing);
    const Vec3 n = o.slot_normal;
    const float reach = in_range(30, 40, w[0]);
    const Vec3* p = o.control_points;
    EXPECT_NEAR(p[3].x, reach * n.x + in_range(-8, 8, w[1]), 1e-4f);
    EXPECT_NEAR(p[3].y, in_range(10, 22, w[2]), 1e-4f);
    EXPECT_NEAR(p[3].z, reach * n.z + in_range(-8, 8, w[3]), 1e-4f);
    const float push = in_range(2, 4, w[4]);
    EXPECT_NEAR(p[1].x, from.x + push * n.x, 1e-4f);
    EXPECT_NEAR(p[1].y, from.y + in_range(1, 3, w[5]), 1e-4f);
    EXPECT_NEAR(p[2].x, p[3].x + in_range(-8, 8, w[6]), 1e-4f);
    EXPECT_NEAR(p[2].y, p[3].y + in_range(-6, 0, w[7]), 1e-4f);
    EXPECT_NEAR(p[2].z, p[3].z + in_range(-8, 8, w[8]), 1e-4f);
    EXPECT_NEAR(o.flight_duration, in_range(3.5f, 5, w[9]), 1e-5f);
}

// A scene with every ornament attached and nothing left to launch.
void fill_the_tree() {
    start(0);
    launch_timer = -1.0f;
    while (pending_count > 0 || count_in_state(ornament_attached) < ornament_count) {
        for (Ornament& o : ornaments) {
            if (o.state == ornament_arriving) o.flight_progress = 1.0f;
        }
        launch_timer = -1.0f;
        step_scene(0.001f);
        ASSERT_LT(scene_time, 1.0f);
    }
    for (Spark& s : sparks) s.life = 0.0f;
}

TEST(SceneStep, FullHoldsFor270CaptureStepsThenReleasesOnTheClock) {
    fill_the_tree();
    ASSERT_EQ(cycle_phase, phase_filling);
    step_scene(host::capture_step);
    ASSERT_EQ(cycle_phase, phase_full);
    EXPECT_EQ(phase_time, 0.0f);
    int steps = 0;
    while (cycle_phase == phase_full && steps < 400) {
        const uint32_t before = host::random_state;
        step_scene(host::capture_step);
        ++steps;
        if (cycle_phase == phase_full) {
            EXPECT_EQ(host::random_state, before);
        }
    }
    EXPECT_EQ(steps, 270);
    EXPECT_EQ(cycle_phase, phase_releasing);
    EXPECT_EQ(phase_time, 0.0f);
    EXPECT_EQ(release_counter, 0);
    EXPECT_EQ(pending_count, 40);
    EXPECT_TRUE(is_permutation(launch_order));
    EXPECT_EQ(count_in_state(ornament_attached), 40);

    // Frame-loop steps: entry k leaves in the first step whose phase time
    // passes 0.09 k, one per step.
    float previous_time = 0.0f;
    while (release_counter < 40) {
        const int32_t k = release_counter;
        step_scene(0.05f);
        if (release_counter == k) {
            EXPECT_LE(phase_time, 0.09f * k);
            continue;
        }
        EXPECT_EQ(release_counter, k + 1);
        EXPECT_GT(phase_time, 0.09f * k);
        EXPECT_LE(previous_time, 0.09f * k);
        EXPECT_EQ(ornaments[launch_order[k]].state, ornament_departing);
        previous_time = phase_time;
    }
    EXPECT_NEAR(phase_time, 0.09f * 39, 0.05f);

    while (cycle_phase == phase_releasing) {
        step_scene(0.05f);
        EXPECT_EQ(release_counter, 40);
    }
    EXPECT_EQ(count_in_state(ornament_idle), 40);
    EXPECT_EQ(cycle_phase, phase_filling);
    EXPECT_EQ(phase_time, 0.0f);
    EXPECT_EQ(launch_timer, 1.5f);
    EXPECT_EQ(pending_count, 40);
    EXPECT_EQ(release_counter, 40);
}

TEST(SceneStep, ALongStepReleasesSeveral) {
    fill_the_tree();
    step_scene(0.01f);
    cycle_phase = phase_full;
    phase_time = 9.0f;
    step_scene(0.01f);
    ASSERT_EQ(cycle_phase, phase_releasing);
    EXPECT_EQ(count_in_state(ornament_departing), 0);
    const uint32_t before = host::random_state;
    step_scene(0.3f);  // passes 0, 0.09, 0.18 and 0.27
    EXPECT_EQ(release_counter, 4);
    EXPECT_EQ(count_in_state(ornament_departing), 4);
    EXPECT_EQ(host::random_state, state_after(before, 40));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ornaments[launch_order[k]].state, ornament_departing);
}

TEST(SceneStep, SnowFallsSwaysAndRespawnsAtTheTop) {
    start(1);
    launch_timer = 1000.0f;
    snow_positions[0] = {1.0f, 0.01f, 2.0f};
    snow_speeds[0] = 0.51f;
    snow_positions[1] = {-3.0f, 10.0f, 4.0f};
    snow_speeds[1] = 0.5f;
    const uint32_t before = host::random_state;
    int respawned = 0;
    for (int i = 0; i < snow_count; ++i) respawned += snow_positions[i].y - snow_speeds[i] * 1.0f < 0.0f;
    step_scene(1.0f);
    EXPECT_EQ(snow_positions[0].y, 24.0f);
    EXPECT_GE(snow_positions[0].x, -26.0f);
    EXPECT_LT(snow_positions[0].x, 26.0f);
    EXPECT_NE(snow_positions[0].z, 2.0f);
    EXPECT_EQ(snow_speeds[0], 0.51f);
    EXPECT_EQ(host::random_state, state_after(before, 2 * respawned));

    EXPECT_EQ(snow_positions[1].y, 9.5f);
    EXPECT_EQ(snow_positions[1].z, 4.0f);
    EXPECT_NEAR(snow_positions[1].x, -3.0f + 0.15f * std::sin(1.0f + 0.6f), 1e-6f);
    for (int i = 0; i < 100; ++i) {
        const Vec3 p = snow_positions[1];
        step_scene(0.05f);
        if (snow_positions[1].y == 24.0f) break;
        EXPECT_EQ(snow_positions[1].z, p.z);
        EXPECT_LE(std::fabs(snow_positions[1].x - p.x), 0.15f * 0.05f + 1e-6f);
    }
}

TEST(SceneStep, SnowOffLeavesTheTableAndTheRandomSourceAlone) {
    start(0);
    Vec3 laid[snow_capacity];
    std::memcpy(laid, snow_positions, sizeof laid);
    const uint32_t before = host::random_state;
    for (int i = 0; i < 20; ++i) step_scene(0.05f);  // 1 s: nothing launched yet
    EXPECT_EQ(host::random_state, before);
    EXPECT_EQ(std::memcmp(laid, snow_positions, sizeof laid), 0);
}

TEST(SceneStep, PreviewMovesOnlyTheFirst250Flakes) {
    start(1, host::mode_preview);
    snow_positions[250] = {5.0f, 5.0f, 5.0f};
    snow_speeds[250] = 0.5f;
    Vec3 laid[snow_capacity];
    std::memcpy(laid, snow_positions, sizeof laid);
    step_scene(0.05f);
    for (int i = 0; i < 250; ++i) EXPECT_NE(snow_positions[i].y, laid[i].y) << i;
    EXPECT_EQ(std::memcmp(laid + 250, snow_positions + 250, sizeof(Vec3) * 1050), 0);
}

// Every step's draws add up to 16 per launch, 10 per release, 6 per new
// spark, 39 per deal and 2 per respawned flake; states move only along the
// four transitions; the cycle goes round twice.
void run_cycles(float dt, int32_t snow) {
    start(snow, host::mode_full_screen, 4242);
    int32_t states[ornament_count];
    float lives[spark_count];
    int fills = 0;
    for (int step = 0; step < static_cast<int>(130.0f / dt); ++step) {
        for (int i = 0; i < ornament_count; ++i) states[i] = ornaments[i].state;
        for (int i = 0; i < spark_count; ++i) lives[i] = sparks[i].life;
        const int32_t phase = cycle_phase;
        const int32_t pending = pending_count;
        const int32_t released = phase == phase_releasing ? release_counter : 0;
        const uint32_t before = host::random_state;
        step_scene(dt);

        int draws = 16 * (pending - pending_count > 0 ? pending - pending_count : 0);
        if (cycle_phase == phase_releasing) draws += 10 * (release_counter - released);
        if (phase != cycle_phase && cycle_phase != phase_full) draws += 39;
        if (phase == phase_releasing && cycle_phase == phase_filling) ++fills;
        for (int i = 0; i < spark_count; ++i) draws += 6 * (lives[i] <= 0.0f && sparks[i].life > 0.0f);
        for (int i = 0; i < snow_count && snow; ++i) draws += 2 * (snow_positions[i].y == 24.0f);
        ASSERT_EQ(host::random_state, state_after(before, draws)) << step;

        for (int i = 0; i < ornament_count; ++i) {
            const int32_t from = states[i];
            const int32_t to = ornaments[i].state;
            if (from == to) continue;
            const bool allowed = (from == ornament_idle && to == ornament_arriving) ||
                                 (from == ornament_arriving && to == ornament_attached) ||
                                 (from == ornament_attached && to == ornament_departing) ||
                                 (from == ornament_departing && to == ornament_idle);
            ASSERT_TRUE(allowed) << step << " ornament " << i << ": " << from << " to " << to;
        }
        ASSERT_TRUE(is_permutation(launch_order));
        ASSERT_GE(pending_count, 0);
        ASSERT_LE(pending_count, 40);
        ASSERT_GE(release_counter, 0);
        ASSERT_LE(release_counter, 40);
        for (const Ornament& o : ornaments) ASSERT_LE(o.trail_count, 30);
    }
    EXPECT_EQ(fills, 2);
}

TEST(SceneStep, WholeCyclesAtFrameLoopSteps) { run_cycles(0.05f, 1); }
TEST(SceneStep, WholeCyclesAtTheCaptureStep) { run_cycles(host::capture_step, 0); }

}  // namespace
