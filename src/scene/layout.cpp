#include "scene/layout.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"

namespace scene {

namespace {

// Two draws per slot, angle jitter first. Clears each record from its
// state field on; the slot sits 0.1 outside the cone, the centre 0.12 below.
void lay_out_slots() {
    int32_t slot = 0;
    for (int32_t tier = 0; tier < shared::tier_count; ++tier) {
        const shared::Tier& t = shared::tier_table[tier];
        const int32_t n = slots_per_tier[tier];
        for (int32_t k = 0; k < n; ++k) {
            const float jitter = shared::random_range(-0.08f, 0.08f);
            const float a =
                (static_cast<float>(k) / static_cast<float>(n) * shared::two_pi + 0.41f * static_cast<float>(tier)) +
                jitter;
            const float f = shared::random_range(0.12f, 0.22f);
            const float y = t.base_height + f * t.height;
            const float r = t.base_radius * (1.0f - f) + 0.1f;

            Ornament& o = ornaments[slot];
            std::memset(&o.state, 0, sizeof(Ornament) - offsetof(Ornament, state));
            const float c = std::cos(a);
            const float s = std::sin(a);
            o.slot_position = {r * c, y - 0.12f, r * s};
            o.slot_normal = {c, 0.0f, s};
            o.state = ornament_idle;
            ++slot;
        }
    }
}

// Six and a half turns from bottom to top; two draws per bulb, phase first.
void lay_out_bulbs() {
    for (int32_t k = 0; k < bulb_count; ++k) {
        const float s = (static_cast<float>(k) + 0.5f) / static_cast<float>(bulb_count);
        const float y = 1.25f + 4.75f * s;
        const float theta = s * shared::two_pi * 6.5f;
        const float r = tree_radius_at(y) + 0.05f;
        Bulb& b = bulbs[k];
        b.position = {r * std::cos(theta), y, r * std::sin(theta)};
        b.blink_phase = shared::two_pi * shared::random_unit();
        b.blink_rate = shared::random_range(1.4f, 3.2f);
        b.colour_index = k % 6;
    }
}

// Four draws per flake (x, y, z, fall speed); entries past the count stay.
void lay_out_snow(bool preview) {
    snow_count = preview ? preview_snow_count : snow_capacity;
    for (int32_t i = 0; i < snow_count; ++i) {
        const float x = shared::random_range(-26.0f, 26.0f);
        const float y = shared::random_range(0.0f, 24.0f);
        const float z = shared::random_range(-26.0f, 26.0f);
        snow_positions[i] = {x, y, z};
        snow_speeds[i] = shared::random_range(0.35f, 0.9f);
    }
}

// Two draws per star: azimuth, then the polar angle from +Y with its
// cosine in [0.05, 1), so every star is at least 4.75 above the ground.
void lay_out_sky_stars() {
    for (int32_t i = 0; i < star_count; ++i) {
        const float phi = shared::two_pi * shared::random_unit();
        const float theta = std::acos(0.05f + 0.95f * shared::random_unit());
        const float st = std::sin(theta);
        sky_stars[i] = {95.0f * st * std::cos(phi), 95.0f * std::cos(theta), 95.0f * st * std::sin(phi)};
    }
}

}  // namespace

float tree_radius_at(float y) {
    float widest = 0.0f;
    for (const shared::Tier& t : shared::tier_table) {
        if (y < t.base_height || y > t.base_height + t.height) continue;
        const float r = t.base_radius * (1.0f - (y - t.base_height) / t.height);
        if (r > widest) widest = r;
    }
    return widest;
}

void deal_launch_order() {
    for (int32_t i = 0; i < ornament_count; ++i) launch_order[i] = i;
    for (int32_t i = ornament_count; i >= 2; --i) {
        const int32_t j = static_cast<int32_t>(static_cast<float>(i) * shared::random_unit());
        const int32_t held = launch_order[i - 1];
        launch_order[i - 1] = launch_order[j];
        launch_order[j] = held;
    }
    pending_count = ornament_count;
}

void layout_scene(bool preview, bool snow) {
    snowing = snow;
    lay_out_slots();
    lay_out_bulbs();
    lay_out_snow(preview);
    lay_out_sky_stars();
    deal_launch_order();
}

}  // namespace scene
