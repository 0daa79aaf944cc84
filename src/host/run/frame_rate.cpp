#include "host/run/frame_rate.h"

#include <cstdio>

namespace host {

void start_frame_rate(FrameRate* rate, double now, bool shows_cpu, double cpu_seconds) {
    *rate = {now, shows_cpu, cpu_seconds, 0, "FPS:"};
}

void count_frame(FrameRate* rate, double now, double cpu_seconds) {
    ++rate->frames;
    const double span = now - rate->window_start;
    if (span < 1.0) return;
    if (rate->shows_cpu) {
        const double load = 100.0 * (cpu_seconds - rate->cpu_start) / span;
        std::snprintf(rate->text, sizeof rate->text, "FPS: %.1f  CPU: %.0f%%", rate->frames / span,
                      load < 0.0 ? 0.0 : load);
    } else {
        std::snprintf(rate->text, sizeof rate->text, "FPS: %.1f", rate->frames / span);
    }
    rate->window_start = now;
    rate->cpu_start = cpu_seconds;
    rate->frames = 0;
}

}  // namespace host
