// What the Windows program declares about its process, first thing at
// start-up, before any other library is loaded or any window exists.
#pragma once

namespace host {

// Restricts the library search to the system folder, then loads OpenGL, GLU
// and the sound player, which the program imports delay-loaded, and binds
// all their functions: so they come from the system folder only, never from
// the program's own folder or the current one.
void load_system_libraries();

// Per-monitor DPI aware (version 2), where the manifest was not honoured;
// system DPI aware on Windows before 10 (1703). The full-screen views are
// then drawn in each monitor's physical pixels.
void declare_dpi_awareness();

}  // namespace host
