// The scene simulation: its state, the start-up layout and the scene step.
#pragma once

namespace scene {

// Lays out the scene state at start-up (reads the run mode for the snow
// count and continues the random source).
void layout_scene();

// Advances the scene by dt seconds (single precision; the frame loop caps
// it at 0.05 s, the capture uses 1/30 s).
void step_scene(float dt);

}  // namespace scene
