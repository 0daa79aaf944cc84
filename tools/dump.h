// The subcommands of frostvale-dump, one file each (tools/dump_*.cpp).
// Each gets the arguments after its own name and returns the exit code.
#pragma once

namespace dump {

// The capture seed: every subcommand starts the random source here and
// runs the builders in the saver's start-up order up to what it shows.
constexpr unsigned capture_seed = 8230;

// frostvale-dump layout [--preview] (dump_layout.cpp).
int run_layout(int argc, char** argv);

// frostvale-dump scene SECONDS [--snow on|off] [--preview] (dump_scene.cpp).
int run_scene(int argc, char** argv);

// frostvale-dump textures DIR (dump_textures.cpp).
int run_textures(int argc, char** argv);

// frostvale-dump frame SECONDS FILE.bmp [--width W --height H] (dump_frame.cpp).
int run_frame(int argc, char** argv);

// frostvale-dump wave FILE (dump_wave.cpp).
int run_wave(int argc, char** argv);

// frostvale-dump clock DAYS [--fps N] (dump_clock.cpp).
int run_clock(int argc, char** argv);

}  // namespace dump
