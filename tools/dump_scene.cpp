// frostvale-dump scene SECONDS [--snow on|off] [--preview]: the scene state
// after the capture's stepping for that time.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dump_common.h"
#include "host/run/capture.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace dump {

namespace {

constexpr int32_t flakes_shown = 8;

const char* const state_names[] = {"idle", "arriving", "attached", "departing"};
const char* const phase_names[] = {"filling", "full", "releasing"};

}  // namespace

int run_scene(int argc, char** argv) {
    const char* usage = "usage: frostvale-dump scene SECONDS [--snow on|off] [--preview]\n";
    if (argc < 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    float seconds = 0.0f;
    if (host::read_capture_time(argv[0], &seconds) != host::CaptureTime::usable) {
        std::fprintf(stderr, "frostvale-dump scene: SECONDS must be a number from 0 to 1048576\n");
        return 2;
    }
    bool preview = false;
    int32_t snow = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0) {
            preview = true;
        } else if (std::strcmp(argv[i], "--snow") == 0 && i + 1 < argc &&
                   (std::strcmp(argv[i + 1], "on") == 0 || std::strcmp(argv[i + 1], "off") == 0)) {
            snow = std::strcmp(argv[i + 1], "on") == 0 ? 1 : 0;
            ++i;
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }

    if (!start_like_the_saver(preview ? shared::mode_preview : shared::mode_capture, snow != 0)) return 1;
    const int32_t steps = host::advance_capture(seconds);

    using namespace scene;
    std::printf("{\n  \"seconds\": %.9g,\n  \"steps\": %d,\n  \"snow\": %s,\n  \"mode\": \"%s\",\n", seconds, steps,
                snow ? "true" : "false", preview ? "preview" : "capture");
    print_float("  \"scene_time\": ", scene_time);
    print_float(",\n  \"phase_time\": ", phase_time);
    std::printf(",\n  \"cycle_phase\": %d,\n  \"cycle_phase_name\": \"%s\"", cycle_phase,
                cycle_phase >= 0 && cycle_phase <= 2 ? phase_names[cycle_phase] : "?");
    print_float(",\n  \"launch_timer\": ", launch_timer);
    std::printf(",\n  \"pending_count\": %d,\n  \"release_counter\": %d,\n  \"launch_order\": [", pending_count,
                release_counter);
    for (int i = 0; i < ornament_count; ++i) std::printf("%s%d", i ? ", " : "", launch_order[i]);
    std::printf("],\n  \"ornaments\": [\n");
    for (int i = 0; i < ornament_count; ++i) {
        const Ornament& o = ornaments[i];
        std::printf("    {\"index\": %d, \"state\": %d, \"state_name\": \"%s\"", i, o.state,
                    o.state >= 0 && o.state <= 3 ? state_names[o.state] : "?");
        print_float(", \"progress\": ", o.flight_progress);
        print_float(", \"duration\": ", o.flight_duration);
        print_vec3(", \"position\": ", o.position);
        print_float(", \"scale\": ", o.current_scale);
        print_float(", \"base_scale\": ", o.base_scale);
        print_float(", \"spin_angle\": ", o.spin_angle);
        std::printf(", \"trail_count\": %d}%s\n", o.trail_count, i + 1 < ornament_count ? "," : "");
    }
    int32_t live = 0;
    for (const Spark& s : sparks) live += s.life > 0.0f ? 1 : 0;
    std::printf("  ],\n  \"live_sparks\": %d,\n  \"sparks\": [", live);
    int32_t shown = 0;
    for (int i = 0; i < spark_count; ++i) {
        if (sparks[i].life <= 0.0f) continue;
        std::printf("%s\n    {\"index\": %d", shown++ ? "," : "", i);
        print_float(", \"life\": ", sparks[i].life);
        print_vec3(", \"position\": ", sparks[i].position);
        std::printf("}");
    }
    std::printf("%s],\n  \"snow_count\": %d,\n  \"first_snowflakes\": [\n", shown ? "\n  " : "", snow_count);
    const int32_t flakes = snow_count < flakes_shown ? snow_count : flakes_shown;
    for (int i = 0; i < flakes; ++i) {
        print_vec3("    ", snow_positions[i]);
        std::printf("%s\n", i + 1 < flakes ? "," : "");
    }
    std::printf("  ],\n  \"random_state\": %u\n}\n", shared::random_state);
    return 0;
}

}  // namespace dump
