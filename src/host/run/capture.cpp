#include "host/run/capture.h"

#include <cstdlib>

#include "scene/scene.h"

namespace host {

bool capture_time_reachable(float seconds) {
    return !(seconds > 1048576.0f);  // also false for +infinity; NaN passes
}

CaptureTime read_capture_time(const char* text, float* seconds) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value != value) return CaptureTime::not_a_number;
    if (value < 0.0) return CaptureTime::negative;
    *seconds = static_cast<float>(value);
    return capture_time_reachable(*seconds) ? CaptureTime::usable : CaptureTime::unreachable;
}

int32_t capture_steps(float seconds) {
    int32_t steps = 0;
    for (float t = 0.0f; seconds > t; t = t + capture_step) ++steps;
    return steps;
}

int32_t advance_capture(float seconds) {
    const int32_t steps = capture_steps(seconds);
    scene::advance_scene(capture_step, steps);
    return steps;
}

}  // namespace host
