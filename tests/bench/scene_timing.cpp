// scene-timing [PLAIN_SECONDS [FAST_SECONDS]]: scene steps per second of
// the capture step (1/30 s, snow on, 1300 flakes), stepped one by one as
// the frame loop does and by the capture's fast advance, timed with a plain
// clock so that the cross-built program can be timed under Wine. Defaults:
// 600 s of scene plainly, 36000 s fast. Also says whether both ways reach
// the same scene and random state over the plain span.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/run/capture.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"

namespace {

using Clock = std::chrono::steady_clock;

void start() {
    scene::reset_scene_state();
    shared::seed_random(8230);
    scene::layout_scene(false, true);
}

void report(const char* what, int32_t steps, Clock::time_point since) {
    const double seconds = std::chrono::duration<double>(Clock::now() - since).count();
    std::printf("%-12s %9d steps in %8.3f s: %12.0f steps/s\n", what, steps, seconds, steps / seconds);
}

// FNV-1a over the tables and globals the scene step writes.
uint32_t scene_checksum() {
    uint32_t hash = 2166136261u;
    auto add = [&hash](const void* p, size_t size) {
        for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const uint8_t*>(p)[i]) * 16777619u;
    };
    add(scene::ornaments, sizeof scene::ornaments);
    add(scene::snow_positions, sizeof scene::snow_positions);
    add(scene::sparks, sizeof scene::sparks);
    add(scene::launch_order, sizeof scene::launch_order);
    const float clocks[3] = {scene::scene_time, scene::phase_time, scene::launch_timer};
    const int32_t counts[3] = {scene::cycle_phase, scene::pending_count, scene::release_counter};
    add(clocks, sizeof clocks);
    add(counts, sizeof counts);
    add(&shared::random_state, sizeof shared::random_state);
    return hash;
}

}  // namespace

int main(int argc, char** argv) {
    const double plain_seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    const double fast_seconds = argc > 2 ? std::atof(argv[2]) : 36000.0;
    const int32_t plain_steps = static_cast<int32_t>(plain_seconds * 30.0);
    const int32_t fast_steps = static_cast<int32_t>(fast_seconds * 30.0);

    start();
    Clock::time_point since = Clock::now();
    for (int32_t i = 0; i < plain_steps; ++i) scene::step_scene(host::capture_step);
    report("plain step", plain_steps, since);
    const uint32_t plain_sum = scene_checksum();

    start();
    scene::advance_scene(host::capture_step, plain_steps);
    const bool same = scene_checksum() == plain_sum;

    start();
    since = Clock::now();
    scene::advance_scene(host::capture_step, fast_steps);
    report("fast advance", fast_steps, since);
    std::printf("same scene and random state after %d steps both ways: %s\n", plain_steps, same ? "yes" : "NO");
    return same ? 0 : 1;
}
