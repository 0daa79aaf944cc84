// One carol loop per X display: XScreenSaver starts one hack per monitor,
// and each would open the sound device. The run that takes the display's
// lock plays; the others run silent. The lock is an abstract unix socket
// bound to a name made from the display's name: the system lets it go
// when its holder ends, however it ends, and no file is left behind.
#pragma once

namespace host {

// Takes the music lock of the X display display_name (as DisplayString
// gives it; ":0", ":0.0" and ":0.1" are one display) for the rest of the
// process's life. False when another process holds it.
bool take_music_lock(const char* display_name);

}  // namespace host
