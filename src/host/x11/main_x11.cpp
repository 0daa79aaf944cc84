// The Linux program's entry: reads the command line in XScreenSaver's
// conventions and takes exactly one action; its result is the exit code.
#include <cstdio>
#include <cstring>

#include "host/x11/hack_options.h"
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
            std::fprintf(stderr, "frostvale: %s: %s (see --help)\n", argv[options.bad_arg], options.problem);
            return 2;
        case host::HackAction::run:
        case host::HackAction::capture:
            break;
    }
    if (options.action == host::HackAction::run) return host::saver_run(options, 0.0f, nullptr);
    // the refusals of the Windows capture: a name beyond its 260-byte
    // buffer, a time the capture clock never reaches
    const char* file = argv[options.file_arg];
    if (std::strlen(file) >= 260) {
        std::fprintf(stderr, "frostvale: cannot write %.40s...: the file name is 260 bytes or longer\n", file);
        return 1;
    }
    if (options.seconds_unreachable) {
        std::fprintf(stderr, "frostvale: %s s is beyond the last reachable time, 1048576 s\n",
                     argv[options.seconds_arg]);
        return 1;
    }
    return host::saver_run(options, options.seconds, file);
}
