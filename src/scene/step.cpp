#include <cmath>

#include "scene/layout.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "scene/step.h"
#include "shared/random.h"

namespace scene {

constexpr float trail_interval = 0.016f;  // seconds between trail samples
constexpr int32_t sparks_per_snap = 16;

// The colours an ornament can get at launch, 0xRRGGBB.
// one row per line, as the table is written
// clang-format off
constexpr uint32_t ornament_palette[8] = {
    0xE63946,
    0xF4C430,
    0xC9D1E0,
    0x2A6FDB,
    0x9B4DCA,
    0x2BB673,
    0xFF6FB0,
    0xFF8C1A,
};
// clang-format on

constexpr Vec3 spark_default_colour = {1.0f, 0.95f, 0.75f};

bool all_in_state(int32_t state) {
    for (const Ornament& o : ornaments) {
        if (o.state != state) return false;
    }
    return true;
}

// Takes the ornament at launch_order[pending_count - 1] (after the count
// drops by one) out of the sky towards its slot. Sixteen draws, in order.
void launch_next_ornament() {
    --pending_count;
    Ornament& o = ornaments[launch_order[pending_count]];
    const Vec3 s = o.slot_position;
    const Vec3 n = o.slot_normal;

    const float azimuth = shared::two_pi * shared::random_unit();
    const float distance = shared::random_range(30.0f, 40.0f);
    o.colour = shared::colour_of(ornament_palette[static_cast<int32_t>(8.0f * shared::random_unit())]);
    const float scale = shared::random_range(0.17f, 0.23f);
    o.base_scale = scale;
    o.current_scale = scale;
    const float height = shared::random_range(5.0f, 17.0f);
    const Vec3 p0 = {distance * std::cos(azimuth), height, distance * std::sin(azimuth)};
    const float p1x = p0.x + shared::random_range(-10.0f, 10.0f);
    const float p1y = p0.y + shared::random_range(-2.0f, 7.0f);
    const float p1z = p0.z + shared::random_range(-10.0f, 10.0f);
    const float approach = shared::random_range(3.0f, 6.0f);
    const float lift = shared::random_range(1.0f, 3.5f);
    o.control_points[0] = p0;
    o.control_points[1] = {p1x, p1y, p1z};
    o.control_points[2] = {s.x + approach * n.x, s.y + approach * n.y + lift, s.z + approach * n.z};
    o.control_points[3] = s;
    o.flight_duration = shared::random_range(4.2f, 6.4f);
    const float ax = 2.0f * shared::random_unit() - 1.0f;
    const float ay = 2.0f * shared::random_unit() - 1.0f;
    const float az = 2.0f * shared::random_unit() - 1.0f;
    o.spin_axis = shared::unit_or_as_is({ax, ay, az});
    o.spin_rate = shared::random_range(2.0f, 5.0f);
    o.spin_angle = 0.0f;
    launch_timer = shared::random_range(0.55f, 1.05f);

    o.state = ornament_arriving;
    o.flight_progress = 0.0f;
    o.trail_count = 0;
    o.trail_clock = 0.0f;
    o.position = p0;
}

// Sends an attached ornament up and away from where it hangs now, 30 to 40
// units out from the tree axis. Ten draws, in order; the trail clock,
// colour, scale and spin carry over from its launch.
void release_ornament(Ornament& o) {
    const Vec3 p0 = o.position;
    const Vec3 n = o.slot_normal;
    const float distance = shared::random_range(30.0f, 40.0f);
    Vec3 p3;
    p3.x = distance * n.x + shared::random_range(-8.0f, 8.0f);
    p3.y = shared::random_range(10.0f, 22.0f) + distance * n.y;
    p3.z = distance * n.z + shared::random_range(-8.0f, 8.0f);
    const float push = shared::random_range(2.0f, 4.0f);
    Vec3 p1 = {p0.x + push * n.x, p0.y + push * n.y, p0.z + push * n.z};
    p1.y += shared::random_range(1.0f, 3.0f);
    Vec3 p2;
    p2.x = p3.x + shared::random_range(-8.0f, 8.0f);
    p2.y = p3.y + shared::random_range(-6.0f, 0.0f);
    p2.z = p3.z + shared::random_range(-8.0f, 8.0f);
    o.flight_duration = shared::random_range(3.5f, 5.0f);
    o.control_points[0] = p0;
    o.control_points[1] = p1;
    o.control_points[2] = p2;
    o.control_points[3] = p3;

    o.state = ornament_departing;
    o.flight_progress = 0.0f;
    o.trail_count = 0;
}

void run_cycle(float dt) {
    switch (cycle_phase) {
        case phase_filling:
            launch_timer -= dt;
            if (launch_timer <= 0.0f && pending_count > 0) launch_next_ornament();
            if (pending_count == 0 && all_in_state(ornament_attached)) {
                cycle_phase = phase_full;
                phase_time = 0.0f;
            }
            break;
        case phase_full:
            if (phase_time > 9.0f) {
                cycle_phase = phase_releasing;
                phase_time = 0.0f;
                deal_launch_order();
                release_counter = 0;
            }
            break;
        case phase_releasing:
            // The k-th release waits until the phase time passes 0.09 k.
            while (release_counter <= ornament_count - 1 && phase_time > 0.09f * static_cast<float>(release_counter)) {
                release_ornament(ornaments[launch_order[release_counter]]);
                ++release_counter;
            }
            if (release_counter == ornament_count && all_in_state(ornament_idle)) {
                cycle_phase = phase_filling;
                phase_time = 0.0f;
                launch_timer = 1.5f;
                deal_launch_order();
            }
            break;
        default:
            break;
    }
}

// Up to 16 sparks at the slot, from the lowest free pool entries; six draws
// per spark made.
void make_snap_sparks(const Ornament& o) {
    int32_t made = 0;
    for (Spark& spark : sparks) {
        if (made == sparks_per_snap) break;
        if (spark.life > 0.0f) continue;
        spark.life = shared::random_range(0.5f, 0.9f);
        spark.position = o.slot_position;
        const float dx = 2.0f * shared::random_unit() - 1.0f;
        const float dy = shared::random_range(-0.4f, 1.4f);
        const float dz = 2.0f * shared::random_unit() - 1.0f;
        const Vec3 d = shared::unit_or_as_is({dx, dy, dz});
        const float speed = shared::random_range(1.2f, 2.6f);
        spark.velocity = {d.x * speed, d.y * speed, d.z * speed};
        spark.colour = shared::random_unit() < 0.5f ? o.colour : spark_default_colour;
        ++made;
    }
}

// Moves a flying ornament along its eased curve, spins it, samples its
// trail, and ends the flight when the progress reaches 1.
void fly(Ornament& o, float dt) {
    o.flight_progress += dt / o.flight_duration;
    const float d = std::fmin(o.flight_progress, 1.0f);
    float e;
    if (o.state == ornament_arriving) {
        e = d < 0.5f ? 4.0f * d * d * d : 1.0f - std::pow(2.0f - 2.0f * d, 3.0f) / 2.0f;
    } else {
        e = d * d;
    }
    const float c = 1.0f - e;
    const float b0 = c * c * c;
    const float b1 = 3.0f * c * c * e;
    const float b2 = 3.0f * c * e * e;
    const float b3 = e * e * e;
    const Vec3* p = o.control_points;
    o.position = {b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x,
                  b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y,
                  b0 * p[0].z + b1 * p[1].z + b2 * p[2].z + b3 * p[3].z};
    o.spin_angle += o.spin_rate * dt * shared::degrees_per_radian;
    if (o.state == ornament_departing) o.current_scale = (1.0f - 0.6f * d) * o.base_scale;

    o.trail_clock += dt;
    while (o.trail_clock > trail_interval) {
        o.trail_clock -= trail_interval;
        for (int32_t j = trail_length - 1; j > 0; --j) o.trail[j] = o.trail[j - 1];
        o.trail[0] = o.position;
        if (o.trail_count <= trail_length - 1) ++o.trail_count;
    }

    if (o.flight_progress >= 1.0f) {
        if (o.state == ornament_arriving) {
            o.state = ornament_attached;
            o.flight_progress = 0.0f;
            o.spin_angle = 0.0f;
            make_snap_sparks(o);
        } else {
            o.state = ornament_idle;
        }
    }
}

// The springy wobble along the slot normal after the snap, settling within
// about a second.
void wobble(Ornament& o, float dt) {
    o.flight_progress += dt;
    const float s = o.flight_progress;
    const float w = std::exp(-5.0f * s) * 0.14f * std::sin(16.0f * s);
    const Vec3 slot = o.slot_position;
    const Vec3 n = o.slot_normal;
    o.position = {slot.x + w * n.x, slot.y + w * n.y, slot.z + w * n.z};
    o.position.y -= 0.4f * std::fabs(w);
}

void update_ornaments(float dt) {
    for (Ornament& o : ornaments) {
        switch (o.state) {
            case ornament_arriving:
            case ornament_departing:
                fly(o, dt);
                break;
            case ornament_attached:
                wobble(o, dt);
                if (o.trail_count > 0) --o.trail_count;
                break;
            default:
                // An idle ornament eats what is left of its last departure's
                // trail, so it does not hang frozen in the sky.
                if (o.trail_count > 0) --o.trail_count;
                break;
        }
    }
}

// Sparks fall under a light gravity until their life runs out.
int32_t move_sparks(float dt, int32_t count) {
    int32_t end = 0;
    for (int32_t i = 0; i < count; ++i) {
        Spark& s = sparks[i];
        if (s.life <= 0.0f) continue;
        s.life -= dt;
        s.velocity.y -= 2.5f * dt;
        s.position.x += s.velocity.x * dt;
        s.position.y += s.velocity.y * dt;
        s.position.z += s.velocity.z * dt;
        if (s.life > 0.0f) end = i + 1;
    }
    return end;
}

float snow_sway(int32_t i, float t, float dt) { return 0.15f * std::sin(static_cast<float>(i) + 0.6f * t) * dt; }

void respawn_flake(Vec3& p) {
    p.y = snow_top;
    p.x = shared::random_range(-26.0f, 26.0f);
    p.z = shared::random_range(-26.0f, 26.0f);
}

// Sway and fall; a flake that drops below the ground starts again at the
// top (two draws). Nothing at all without snow.
void move_snow(float dt) {
    if (!snowing || snow_count <= 0) return;
    for (int32_t i = 0; i < snow_count; ++i) {
        Vec3& p = snow_positions[i];
        p.x += snow_sway(i, scene_time, dt);
        p.y -= snow_speeds[i] * dt;
        if (p.y < 0.0f) respawn_flake(p);
    }
}

void step_scene(float dt) {
    advance_clocks(dt);
    run_cycle(dt);
    update_ornaments(dt);
    move_sparks(dt, spark_count);
    move_snow(dt);
}

}  // namespace scene
