// frostvale-dump frame SECONDS FILE.bmp [--width W --height H]: the frame
// that capture mode writes, rendered on Mesa's off-screen context.
#include <GL/osmesa.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "dump.h"
#include "host/run/capture.h"
#include "scene/scene.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace dump {

namespace {

bool parse_size(const char* text, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 8192) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int run_frame(int argc, char** argv) {
    int width = 1280;
    int height = 720;
    const char* seconds_text = nullptr;
    const char* path = nullptr;
    bool usable = true;
    for (int i = 0; i < argc && usable; ++i) {
        if (std::strcmp(argv[i], "--width") == 0) {
            usable = i + 1 < argc && parse_size(argv[++i], &width);
        } else if (std::strcmp(argv[i], "--height") == 0) {
            usable = i + 1 < argc && parse_size(argv[++i], &height);
        } else if (!seconds_text) {
            seconds_text = argv[i];
        } else if (!path) {
            path = argv[i];
        } else {
            usable = false;
        }
    }
    if (!usable || !seconds_text || !path) {
        std::fprintf(stderr, "usage: frostvale-dump frame SECONDS FILE.bmp [--width W --height H] (1 to 8192)\n");
        return 2;
    }
    const float seconds = std::strtof(seconds_text, nullptr);
    if (!host::capture_time_reachable(seconds)) {
        std::fprintf(stderr, "frostvale-dump frame: %s s is beyond the last reachable time, 1048576 s\n", seconds_text);
        return 2;
    }

    // RGBA colour, 24-bit depth as the saver's pixel format asks for
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    std::vector<uint8_t> colour(static_cast<size_t>(width) * height * 4);
    if (!context || !OSMesaMakeCurrent(context, colour.data(), GL_UNSIGNED_BYTE, width, height)) {
        std::fprintf(stderr, "frostvale-dump frame: no off-screen OpenGL context\n");
        return 1;
    }
    shared::run_mode = shared::mode_capture;
    shared::seed_random(capture_seed);
    assets::build_textures();
    assets::build_display_lists();
    scene::layout_scene();
    const bool written = host::capture_frame(seconds, width, height, path);
    OSMesaDestroyContext(context);
    if (!written) {
        std::fprintf(stderr, "frostvale-dump frame: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s (%d x %d, scene at %s s)\n", path, width, height, seconds_text);
    return 0;
}

}  // namespace dump
