#include "host/run/capture.h"

#include "scene/scene.h"

namespace host {

bool capture_time_reachable(float seconds) {
    return !(seconds > 1048576.0f);  // also false for +infinity; NaN passes
}

int32_t advance_capture(float seconds) {
    int32_t steps = 0;
    for (float t = 0.0f; seconds > t; t = t + capture_step) ++steps;
    scene::advance_scene(capture_step, steps);
    return steps;
}

}  // namespace host
