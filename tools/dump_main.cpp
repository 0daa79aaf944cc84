// frostvale-dump SUBCOMMAND [ARGS]: see the README for the subcommands.
#include <cstdio>
#include <cstring>

#include "dump.h"

namespace dump {

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

// One row per subcommand; each is defined in its own dump_*.cpp.
constexpr Subcommand subcommands[] = {
    {"layout", run_layout, "[--preview]"},
    {"scene", run_scene, "SECONDS [--snow on|off] [--preview]"},
    {"textures", run_textures, "DIR"},
#ifndef __EMSCRIPTEN__
    // needs an OpenGL context, which node has not
    {"frame", run_frame, "SECONDS FILE.bmp [--width W --height H]"},
#endif
    {"wave", run_wave, "FILE"},
    {"clock", run_clock, "DAYS [--fps N]"},
    {nullptr, nullptr, nullptr},
};

}  // namespace dump

int main(int argc, char** argv) {
    for (const dump::Subcommand& s : dump::subcommands) {
        if (s.name && argc >= 2 && std::strcmp(argv[1], s.name) == 0) return s.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "usage:\n");
    for (const dump::Subcommand& s : dump::subcommands) {
        if (s.name) std::fprintf(stderr, "  frostvale-dump %s %s\n", s.name, s.usage);
    }
    return 2;
}
