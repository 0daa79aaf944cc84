// The screensaver's exit rules and the per-monitor views, as plain
// arithmetic so the frame loop and the saver window procedure stay thin.
#pragma once
#include <cstdint>

namespace host {

// A message subject to the grace period ends the run only more than 600 ms
// after the frame loop began: (now - start) >= 601 in unsigned 32-bit
// arithmetic, so it survives the tick count wrapping after 49.7 days.
bool grace_period_over(uint32_t now_tick, uint32_t start_tick);

// The mouse has travelled when it is 9 or more pixels from the first
// position seen, on either axis.
bool mouse_travelled(int32_t ref_x, int32_t ref_y, int32_t x, int32_t y);

struct MonitorRect {
    int32_t left, top, right, bottom;  // virtual-screen coordinates
};

enum { max_monitors = 8 };

struct ViewRect {
    int32_t x, y, width, height;  // OpenGL viewport, origin bottom-left
    float camera_phase;           // radians added to the orbit angle
};

// The views one frame draws. Full screen over 2 or more monitors: one view
// per monitor, placed inside the client area that covers the virtual
// screen whose left edge is virtual_left and bottom edge virtual_bottom,
// monitor i turned i x 0.9 rad further along the orbit. Otherwise one view
// over the whole client area, phase 0. Returns the number of views written.
int frame_views(bool full_screen, const MonitorRect* monitors, int monitor_count,
                int32_t virtual_left, int32_t virtual_bottom, int32_t client_width,
                int32_t client_height, ViewRect views[max_monitors]);

// The frame loop's time step: counter ticks over frequency, in single
// precision, capped at 0.05 s (no lower bound).
float frame_time_step(int64_t elapsed_counts, int64_t frequency);

}  // namespace host
