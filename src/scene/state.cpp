#include "scene/state.h"

#include <cstring>

namespace scene {

Ornament ornaments[ornament_count];
Bulb bulbs[bulb_count];
Vec3 snow_positions[snow_capacity];
float snow_speeds[snow_capacity];
int32_t snow_count = snow_capacity;
bool snowing = true;
Vec3 sky_stars[star_count];
Spark sparks[spark_count];

float scene_time = 0.0f;
float phase_time = 0.0f;
int32_t cycle_phase = phase_filling;
float launch_timer = 1.2f;
int32_t launch_order[ornament_count];
int32_t pending_count = 0;
int32_t release_counter = 0;

void reset_scene_state() {
    std::memset(ornaments, 0, sizeof ornaments);
    std::memset(bulbs, 0, sizeof bulbs);
    std::memset(snow_positions, 0, sizeof snow_positions);
    std::memset(snow_speeds, 0, sizeof snow_speeds);
    snow_count = snow_capacity;
    snowing = true;
    std::memset(sky_stars, 0, sizeof sky_stars);
    std::memset(sparks, 0, sizeof sparks);
    scene_time = 0.0f;
    phase_time = 0.0f;
    cycle_phase = phase_filling;
    launch_timer = 1.2f;
    std::memset(launch_order, 0, sizeof launch_order);
    pending_count = 0;
    release_counter = 0;
}

}  // namespace scene
