// The user's two choices as the Windows program keeps them: the registry
// store and the settings window.
#pragma once
#include <cstdint>

namespace settings {

// The choices, fixed for the length of a saver run. Owned by flags.cpp.
// Always 0 or 1. Written by the settings store and the settings window;
// read by the settings window and the Windows entry, which puts them into
// the run's configuration.
extern int32_t music_flag;  // default 0: music off
extern int32_t snow_flag;   // default 1: snow on

// A stored value's meaning. A query that failed (value absent, or longer
// than four bytes) keeps the flag as it was; otherwise the value's bytes,
// read into a word cleared beforehand, mean on when any of them is non-zero.
int32_t flag_from_query(bool query_succeeded, uint32_t word, int32_t current);

// Loads both flags (written here at every start, and again when the
// settings window opens) from HKCU\Software\Zentrel3D\Frostvale2026 ("Music",
// "Snow"). A flag whose value cannot be read keeps its value. Win32 only.
void read_settings();

// Writes both flags there as REG_DWORD 0 or 1, creating the key. Silent on
// failure. Called only from the settings window's OK. Win32 only.
void save_settings();

// The settings window, modal to owner when one is given (owner is a window
// handle, 0 for none). Returns when the window is gone. Win32 only.
void run_settings_dialog(uint64_t owner);

}  // namespace settings
