// The user's two choices, fixed for the length of a saver run.
#pragma once
#include <cstdint>

namespace shared {

// Owned by flags.cpp. Always 0 or 1. Written by the Windows settings store
// and settings window; read by the settings window and the Windows entry,
// which puts them into the run's configuration.
extern int32_t music_flag;  // default 0: music off
extern int32_t snow_flag;   // default 1: snow on

}  // namespace shared
