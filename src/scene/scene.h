// The scene simulation: its state, the start-up layout and the scene step.
#pragma once
#include <cstdint>

namespace scene {

// Lays out the scene state at start-up (reads the run mode for the snow
// count and continues the random source).
void layout_scene();

// Advances the scene by steps scene steps of dt: the same state and the
// same random draws, bit for bit, as calling step_scene(dt) that many
// times, but work whose result is overwritten or never read is left out.
// For the capture, which needs only the last step's scene.
void advance_scene(float dt, int32_t steps);

// Advances the scene by dt seconds (single precision; the frame loop caps
// it at 0.05 s, the capture uses 1/30 s).
void step_scene(float dt);

}  // namespace scene
