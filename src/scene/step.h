// The scene step's pieces (step.cpp), exposed for the capture's fast
// advance (advance.cpp), which runs them in the step's order but leaves out
// work whose result is overwritten or never read.
#pragma once
#include <cstdint>

#include "scene/state.h"

namespace scene {

// The height a flake starts again from after it drops below the ground.
constexpr float snow_top = 24.0f;

// The cycle logic of the current phase: at most one launch, or the
// releases that are due, or a change of phase (with its deal).
void run_cycle(float dt);

// Moves an arriving or departing ornament along its eased curve, spins it,
// samples its trail and ends the flight when its progress reaches 1; an
// arriving one then snaps on and makes its sparks (six draws each).
void fly(Ornament& o, float dt);

// An attached ornament's step: its seconds since the snap grow by dt and
// its position follows the springy wobble of that time.
void wobble(Ornament& o, float dt);

// Moves the live sparks among the first count entries of the pool (a free
// spark is left as it is). Returns one past the highest entry still alive
// afterwards, 0 when none is.
int32_t move_sparks(float dt, int32_t count);

// Flake i's sideways sway over one step of dt at scene time t.
float snow_sway(int32_t i, float t, float dt);

// Starts a flake that dropped below the ground again at the top: y = 24
// exactly (the overshoot is dropped), then x and z, two draws.
void respawn_flake(Vec3& p);

}  // namespace scene
