// frostvale-dump clock DAYS [--fps N]: the live modes' scene clock over a
// long run, frame by frame, and how well each frame's step registers.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dump.h"
#include "scene/scene.h"
#include "scene/state.h"

namespace dump {

namespace {

// The longest a decoration cycle can take, in seconds of scene time: a
// 1.5 s first gap, 39 gaps of up to 1.05 s, a last flight of up to 6.4 s,
// 9 s full, 39 releases 0.09 s apart and a last departure of up to 5 s.
// Standing in for the cycle, its return to filling comes this late every
// time, so the largest scene time printed is the most a run can reach.
constexpr float longest_cycle = 67.0f;

bool read_number(const char* text, double low, double high, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= low && v <= high)) return false;
    *out = v;
    return true;
}

}  // namespace

int run_clock(int argc, char** argv) {
    double days = 0.0;
    double fps = 60.0;
    bool usable = argc >= 1 && read_number(argv[0], 0.0, 366.0, &days);
    for (int i = 1; i < argc && usable; ++i) {
        usable = std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc && read_number(argv[++i], 1.0, 1000.0, &fps);
    }
    if (!usable) {
        std::fprintf(stderr, "usage: frostvale-dump clock DAYS [--fps N] (DAYS 0 to 366, N 1 to 1000)\n");
        return 2;
    }

    using namespace scene;
    reset_scene_state();
    const float dt = static_cast<float>(1.0 / fps);
    const int64_t frames = static_cast<int64_t>(days * 86400.0 * fps);
    double worst_error = 0.0;
    int64_t stalled = 0;
    int64_t restarts = 0;
    float largest_time = 0.0f;
    for (int64_t frame = 0; frame < frames; ++frame) {
        const float before = scene_time;
        advance_clocks(dt);
        if (phase_time > longest_cycle) {
            cycle_phase = phase_filling;
            phase_time = 0.0f;
        }
        if (scene_time > largest_time) largest_time = scene_time;
        if (restart_clock_at_empty_tree()) {
            ++restarts;  // the cut to a new scene, not a step
            continue;
        }
        const float advance = scene_time - before;  // exact: both lie within a factor of 2
        if (advance == 0.0f) ++stalled;
        const double error = std::fabs(static_cast<double>(advance) - dt) / dt;
        if (error > worst_error) worst_error = error;
    }
    std::printf("frames %lld at %g per second (%g days)\n", static_cast<long long>(frames), fps, days);
    std::printf("worst step error %.2f %%\n", 100.0 * worst_error);
    std::printf("stalled frames %lld\n", static_cast<long long>(stalled));
    std::printf("largest scene time %.3f s\n", static_cast<double>(largest_time));
    std::printf("clock restarts %lld\n", static_cast<long long>(restarts));
    return 0;
}

}  // namespace dump
