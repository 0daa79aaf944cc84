// What the Windows and the Linux saver runs do alike with their OpenGL
// context current: the scene's start-up and the views of one frame.
#pragma once
#include <cstdint>

#include "host/run/saver_rules.h"

namespace host {

// The run's one seeding of the random source (8230 in capture mode,
// otherwise clock_ticks OR 1, an odd value), then the scene's builders in
// their fixed order, each continuing the one random sequence: textures,
// display lists, layout, music. Reads the run mode.
void build_scene(uint32_t clock_ticks);

// Draws one frame's views (frame_views) into the current context; does not
// swap buffers. Where there are no monitors to tell apart, monitors may be
// null with monitor_count 0.
void draw_frame(bool full_screen, const MonitorRect* monitors, int monitor_count,
                int32_t virtual_left, int32_t virtual_bottom, int32_t client_width,
                int32_t client_height);

}  // namespace host
