// Rendering: one view of the scene into one viewport.
#pragma once
#include <cstdint>

namespace render {

// Draws the whole scene into the viewport (x, y, width, height) of the
// current context, origin at the bottom-left of the client area. Sets its
// own viewport and scissor and clears only that rectangle, so several views
// can share one window. camera_phase (radians) is added to the camera's
// orbit angle. Does not swap buffers.
void render_view(int32_t x, int32_t y, int32_t width, int32_t height, float camera_phase);

}  // namespace render
