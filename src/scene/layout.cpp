#include "scene/scene.h"

namespace scene {

// Nothing to lay out yet.
void layout_scene() {}

}  // namespace scene
