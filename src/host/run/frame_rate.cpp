#include "host/run/frame_rate.h"

#include <cstdio>
#include <ctime>

namespace host {

void start_frame_rate(FrameRate* rate, double now, double cpu_seconds) {
    *rate = {now, cpu_seconds, 0, "FPS:"};
}

void count_frame(FrameRate* rate, double now, double cpu_seconds) {
    ++rate->frames;
    const double span = now - rate->window_start;
    if (span < 1.0) return;
    const double load = 100.0 * (cpu_seconds - rate->cpu_start) / span;
    std::snprintf(rate->text, sizeof rate->text, "FPS: %.1f  CPU: %.0f%%", rate->frames / span,
                  load < 0.0 ? 0.0 : load);
    rate->window_start = now;
    rate->cpu_start = cpu_seconds;
    rate->frames = 0;
}

double process_cpu_seconds() {
    // std::clock counts the process's processor time on POSIX systems
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

}  // namespace host
