// The scene state: fixed-size process-global tables and clocks, never
// allocated. Owned by state.cpp. The layout writes it once at start-up and
// the scene step advances it; the renderer only reads it.
#pragma once
#include <cstdint>

#include "shared/world.h"

namespace scene {

using shared::Vec3;

constexpr int32_t ornament_count = 40;
constexpr int32_t bulb_count = 84;
constexpr int32_t snow_capacity = 1300;
constexpr int32_t preview_snow_count = 250;
constexpr int32_t star_count = 1400;
constexpr int32_t spark_count = 400;
constexpr int32_t trail_length = 30;

// Ornament states.
enum : int32_t {
    ornament_idle = 0,       // not on the tree, not drawn
    ornament_arriving = 1,   // flying in towards its slot
    ornament_attached = 2,   // hanging on its slot
    ornament_departing = 3,  // flying away
};

// Cycle phases.
enum : int32_t {
    phase_filling = 0,    // launching ornaments one by one
    phase_full = 1,       // all 40 attached, waiting
    phase_releasing = 2,  // sending them away one by one
};

// One ornament; its index in the ornament table is also its slot index
// (12 slots on tier 0, then 10, 8, 6 and 4).
struct Ornament {
    Vec3 slot_position;        // where it hangs; fixed after the layout
    Vec3 slot_normal;          // horizontal unit vector out from the axis
    int32_t state;             // ornament_idle ... ornament_departing
    float flight_progress;     // arriving/departing: fraction of the flight done
                               // (may pass 1 in the step that ends it);
                               // attached: seconds since the snap
    float flight_duration;     // seconds
    float base_scale;          // [0.17, 0.23)
    float spin_angle;          // degrees
    float spin_rate;           // radians per second
    Vec3 spin_axis;            // unit, unless its length was 1e-6 or less
    Vec3 control_points[4];    // P0..P3 of the current or last flight
    Vec3 position;             // current centre
    Vec3 colour;               // red, green, blue in 0..1
    Vec3 trail[trail_length];  // recent positions, newest first
    int32_t trail_count;       // valid trail points, 0 to 30
    float trail_clock;         // seconds towards the next trail sample
    float current_scale;       // base_scale, except while departing
};

// One string-light bulb; fixed after the layout.
struct Bulb {
    Vec3 position;
    float blink_phase;     // radians, [0, 2 pi)
    float blink_rate;      // radians per second, [1.4, 3.2)
    int32_t colour_index;  // 0..5 into the bulb palette
};

// One spark; free when its life is 0 or less.
struct Spark {
    float life;  // seconds
    Vec3 position;
    Vec3 velocity;  // units per second
    Vec3 colour;
};

extern Ornament ornaments[ornament_count];
extern Bulb bulbs[bulb_count];

// Snow: two parallel tables; only the first snow_count entries are used
// (250 in preview, 1300 otherwise; 1300 before the layout).
extern Vec3 snow_positions[snow_capacity];
extern float snow_speeds[snow_capacity];  // fall speed, units per second
extern int32_t snow_count;
// Whether snow falls this run: written by layout_scene (and by the browser
// page's snow button), read by the scene step, the fast advance and the
// glow pass. The flakes are laid out either
// way, so the random sequence does not depend on it.
extern bool snowing;

// Sky stars on a sphere of radius 95, all above the horizon.
extern Vec3 sky_stars[star_count];

extern Spark sparks[spark_count];

extern float scene_time;                      // seconds since start; the live modes start it
                                              // again at an empty tree after 4 h 27 min
extern float phase_time;                      // seconds since the cycle phase began
extern int32_t cycle_phase;                   // phase_filling, phase_full, phase_releasing
extern float launch_timer;                    // seconds to the next launch while filling (1.2 at start)
extern int32_t launch_order[ornament_count];  // permutation of 0..39
extern int32_t pending_count;                 // launch order entries not launched yet
extern int32_t release_counter;               // ornaments sent away this releasing phase

// Puts every table and global back to its start value (all zero, snow
// count 1300, launch timer 1.2), as at process start. For tests and the
// inspection tool; the saver never needs it.
void reset_scene_state();

}  // namespace scene
