#include "scene/scene.h"

namespace scene {

// Nothing moves yet.
void step_scene(float) {}

}  // namespace scene
