// The scene simulation: its state, the start-up layout and the scene step.
#pragma once
#include <cstdint>

namespace scene {

// Lays out the scene state at start-up, continuing the random source:
// 250 snowflakes for the small preview, else 1300; snow falls when snow
// is true.
void layout_scene(bool preview, bool snow);

// Advances the scene by steps scene steps of dt: the same state and the
// same random draws, bit for bit, as calling step_scene(dt) that many
// times, but work whose result is overwritten or never read is left out.
// For the capture, which needs only the last step's scene.
void advance_scene(float dt, int32_t steps);

// Advances the scene by dt seconds (single precision; the frame loop caps
// it at 0.05 s, the capture uses 1/30 s).
void step_scene(float dt);

// The scene step's first act: scene time and phase time advance by dt, as
// single-precision sums.
void advance_clocks(float dt);

// Scene time (seconds, 4 h 27 min) past which the live modes start it
// again from 0. A single-precision sum near 2^14 s still advances by a
// frame step of 1/240 s within 12 %; beyond it the steps wear down, and
// from about 2^19 s (at 60 Hz) they vanish and the camera freezes. A cycle
// takes at most about 67 s, so the time never reaches 2^14 = 16384 s.
constexpr float scene_clock_limit = 16000.0f;

// The live modes' clock rule, after each scene step: once the scene time
// has passed scene_clock_limit, the step that brings the cycle back to
// filling with an empty tree (phase time 0) sets the scene time to 0, so
// the camera, lights and bulbs cut to a new start there and nowhere else.
// Returns true when it did. Captures never call it, so every reachable
// capture time stays what it is.
bool restart_clock_at_empty_tree();

// The frame loops' scene step: step_scene, then the clock rule.
void step_live_scene(float dt);

}  // namespace scene
