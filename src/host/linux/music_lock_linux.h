// One carol loop per user and X display: XScreenSaver starts one hack per
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

// Takes the music lock of the user's runs on the X display display_name
// (as DisplayString gives it) for the rest of the process's life. False
// only when another run of the same user holds it.
bool take_music_lock(const char* display_name);

}  // namespace host
