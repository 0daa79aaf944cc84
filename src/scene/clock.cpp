// The scene's clocks and the live modes' rule that keeps the scene time
// small enough for frame steps to register.
#include "scene/scene.h"
#include "scene/state.h"

namespace scene {

void advance_clocks(float dt) {
    scene_time += dt;
    phase_time += dt;
}

bool restart_clock_at_empty_tree() {
    // The cycle's return to filling sets the phase time to 0 and leaves the
    // tree empty: the one moment where no motion on screen is under way.
    if (scene_time > scene_clock_limit && cycle_phase == phase_filling && phase_time == 0.0f) {
        scene_time = 0.0f;
        return true;
    }
    return false;
}

void step_live_scene(float dt) {
    step_scene(dt);
    restart_clock_at_empty_tree();
}

}  // namespace scene
