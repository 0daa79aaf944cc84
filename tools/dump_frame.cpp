// frostvale-dump frame SECONDS FILE.bmp [--width W --height H]: the frame
// that capture mode writes, rendered off-screen
// through EGL (the null host).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dump.h"
#include "host/null/null_host.h"
#include "host/run/capture.h"
#include "host/run/message_text.h"
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
    const host::CaptureRequest request = host::check_capture_request(seconds_text, path, &seconds);
    if (request != host::CaptureRequest::usable) {
        std::fprintf(stderr, "frostvale-dump frame: %s\n",
                     host::capture_request_message(request, seconds_text, path).c_str());
        return 2;
    }

    if (!host::open_null_host(width, height)) {
        std::fprintf(stderr, "frostvale-dump frame: no off-screen OpenGL context\n");
        return 1;
    }
    // a capture run with the defaults: snow on, no music
    const host::RunConfig capture = {shared::mode_capture, true, false, false, host::run_seed(shared::mode_capture, 0)};
    host::CaptureError error = {};
    const bool written = host::run_saver(capture, host::null_host, seconds, path, &error) == 0;
    host::close_null_host();
    if (!written) {
        std::fprintf(stderr, "frostvale-dump frame: %s\n", host::capture_error_message(path, error).c_str());
        return 1;
    }
    std::printf("wrote %s (%d x %d, scene at %s s)\n", host::shown_text(path).c_str(), width, height,
                host::shown_text(seconds_text).c_str());
    return 0;
}

}  // namespace dump
