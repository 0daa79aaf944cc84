// frostvale-dump layout [--preview]: the scene as laid out at start-up.
#include <cstdio>
#include <cstring>

#include "dump_common.h"
#include "scene/scene.h"
#include "scene/state.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace dump {

int run_layout(int argc, char** argv) {
    bool preview = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0) {
            preview = true;
        } else {
            std::fprintf(stderr, "frostvale-dump layout: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    PaintedTextures painted;
    const uint32_t before = paint_like_the_saver(&painted);  // the display lists take no draws
    if (!start_like_the_saver(preview ? shared::mode_preview : shared::mode_capture, true)) return 1;
    const uint32_t after = shared::random_state;

    using namespace scene;
    std::printf("{\n  \"mode\": \"%s\",\n", preview ? "preview" : "capture");
    std::printf("  \"random_state_before\": %u,\n  \"random_state_after\": %u,\n", before, after);
    std::printf("  \"slots\": [\n");
    for (int i = 0; i < ornament_count; ++i) {
        print_vec3("    {\"position\": ", ornaments[i].slot_position);
        print_vec3(", \"normal\": ", ornaments[i].slot_normal);
        std::printf("}%s\n", i + 1 < ornament_count ? "," : "");
    }
    std::printf("  ],\n  \"bulbs\": [\n");
    for (int i = 0; i < bulb_count; ++i) {
        print_vec3("    {\"position\": ", bulbs[i].position);
        print_float(", \"phase\": ", bulbs[i].blink_phase);
        print_float(", \"rate\": ", bulbs[i].blink_rate);
        std::printf(", \"colour_index\": %d}%s\n", bulbs[i].colour_index, i + 1 < bulb_count ? "," : "");
    }
    std::printf("  ],\n  \"snow_count\": %d,\n  \"snow\": [\n", snow_count);
    for (int i = 0; i < snow_count; ++i) {
        print_vec3("    {\"position\": ", snow_positions[i]);
        print_float(", \"speed\": ", snow_speeds[i]);
        std::printf("}%s\n", i + 1 < snow_count ? "," : "");
    }
    std::printf("  ],\n  \"stars\": [\n");
    for (int i = 0; i < star_count; ++i) {
        print_vec3("    ", sky_stars[i]);
        std::printf("%s\n", i + 1 < star_count ? "," : "");
    }
    std::printf("  ],\n  \"launch_order\": [");
    for (int i = 0; i < ornament_count; ++i) std::printf("%s%d", i ? ", " : "", launch_order[i]);
    std::printf("],\n  \"pending_count\": %d\n}\n", pending_count);
    return 0;
}

}  // namespace dump
