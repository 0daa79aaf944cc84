// The Linux program's entry: reads the command line in XScreenSaver's
// conventions and takes exactly one action; its result is the exit code.
// Under Wayland, with no X11 target asked for, the Wayland host runs it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/linux/hack_options.h"
#include "host/run/capture.h"
#include "host/run/message_text.h"
#include "host/wayland/saver_wayland.h"
#include "host/x11/saver_x11.h"

int main(int argc, char** argv) {
    const host::HackOptions options = host::parse_hack_options(argc, argv);
    switch (options.action) {
        case host::HackAction::help:
            std::fputs(host::hack_usage().c_str(), stdout);
            return 0;
        case host::HackAction::version:
            std::printf("frostvale %s\n", FROSTVALE_VERSION);
            return 0;
        case host::HackAction::refuse:
            std::fprintf(stderr, "frostvale: %s: %s (see --help)\n", host::shown_text(argv[options.bad_arg]).c_str(),
                         options.problem);
            return 2;
        case host::HackAction::video:
            return host::make_video(options.video);
        case host::HackAction::run:
        case host::HackAction::capture:
            break;
    }
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (host::runs_on_wayland(options, set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET")))
        return host::wayland_run(options);
    if (options.action == host::HackAction::run) return host::saver_run(options, 0.0f, nullptr);
    // the refusals of the Windows capture: a name beyond its 260-byte
    // buffer, a time the capture clock never reaches
    const char* file = argv[options.file_arg];
    float seconds = 0.0f;
    const host::CaptureRequest request = host::check_capture_request(argv[options.seconds_arg], file, &seconds);
    if (request != host::CaptureRequest::usable) {
        std::fprintf(stderr, "frostvale: %s\n",
                     host::capture_request_message(request, argv[options.seconds_arg], file).c_str());
        return 1;
    }
    return host::saver_run(options, seconds, file);
}
