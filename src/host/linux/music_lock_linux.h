// One carol loop per user and display (X or Wayland): XScreenSaver starts one hack per
// monitor, and each would open the sound device. The run that takes the
// lock plays; the user's other runs on that display run silent. The lock
// is an abstract unix socket that listens under a name made from the
// user's id and the display: the system lets it go when its holder ends,
// however it ends, and no file is left behind. Anyone may bind a name
// there, so a run finding the name taken asks the holder who it is
// (SO_PEERCRED): only a holder of the same user silences it.
#pragma once
#include <string>

namespace host {

// The display of an X display name in one spelling: the host (none for
// the local machine: "", "unix", "localhost" and "HOST/unix") and the
// display number, the screen left out. ":71", "unix:71.1" and
// "localhost/unix:71" are ":71".
std::string canonical_display(const char* display_name);

// A Wayland display in one spelling: "wayland:" and the socket's path,
// WAYLAND_DISPLAY as it stands when absolute, else under runtime_dir
// (XDG_RUNTIME_DIR); "wayland-0" when the name is null or empty.
// "wayland-1" under /run/user/1000 is "wayland:/run/user/1000/wayland-1".
std::string canonical_wayland_display(const char* wayland_display, const char* runtime_dir);

// Takes the music lock of the user's runs on the display display_key (one
// of the spellings above) for the rest of the process's life. False only
// when another run of the same user holds it.
bool take_music_lock(const std::string& display_key);

}  // namespace host
