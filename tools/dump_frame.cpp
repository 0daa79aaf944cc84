// frostvale-dump frame SECONDS FILE.bmp [--width W --height H]: the frame
// that capture mode writes, rendered off-screen
// through EGL (the null host).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dump.h"
#include "host/null/null_host.h"
#include "host/run/capture.h"
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
    float seconds = 0.0f;
    switch (host::read_capture_time(seconds_text, &seconds)) {
        case host::CaptureTime::usable:
            break;
        case host::CaptureTime::unreachable:
            std::fprintf(stderr, "frostvale-dump frame: %s s is beyond the last reachable time, 1048576 s\n",
                         seconds_text);
            return 2;
        case host::CaptureTime::not_a_number:
        case host::CaptureTime::negative:
            std::fprintf(stderr, "frostvale-dump frame: %s: SECONDS must be a number, 0 or more\n", seconds_text);
            return 2;
    }

    if (!host::open_null_host(width, height)) {
        std::fprintf(stderr, "frostvale-dump frame: no off-screen OpenGL context\n");
        return 1;
    }
    // a capture run with the defaults: snow on, no music
    const host::RunConfig capture = {shared::mode_capture, true, false, false,
                                     host::run_seed(shared::mode_capture, 0)};
    const bool written = host::run_saver(capture, host::null_host, seconds, path) == 0;
    host::close_null_host();
    if (!written) {
        std::fprintf(stderr, "frostvale-dump frame: cannot write %s: %s\n", path, std::strerror(host::capture_error));
        return 1;
    }
    std::printf("wrote %s (%d x %d, scene at %s s)\n", path, width, height, seconds_text);
    return 0;
}

}  // namespace dump
