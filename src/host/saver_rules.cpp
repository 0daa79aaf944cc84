#include "host/saver_rules.h"

namespace host {

bool grace_period_over(uint32_t now_tick, uint32_t start_tick) {
    return now_tick - start_tick >= 601u;
}

bool mouse_travelled(int32_t ref_x, int32_t ref_y, int32_t x, int32_t y) {
    const int64_t dx = static_cast<int64_t>(x) - ref_x;
    const int64_t dy = static_cast<int64_t>(y) - ref_y;
    return dx > 8 || dx < -8 || dy > 8 || dy < -8;
}

int frame_views(bool full_screen, const MonitorRect* monitors, int monitor_count,
                int32_t virtual_left, int32_t virtual_bottom, int32_t client_width,
                int32_t client_height, ViewRect views[max_monitors]) {
    if (!full_screen || monitor_count < 2) {
        views[0] = ViewRect{0, 0, client_width, client_height, 0.0f};
        return 1;
    }
    if (monitor_count > max_monitors) monitor_count = max_monitors;
    for (int i = 0; i < monitor_count; ++i) {
        const MonitorRect& m = monitors[i];
        views[i] = ViewRect{m.left - virtual_left, virtual_bottom - m.bottom,
                            m.right - m.left, m.bottom - m.top,
                            static_cast<float>(i) * 0.9f};
    }
    return monitor_count;
}

float frame_time_step(int64_t elapsed_counts, int64_t frequency) {
    const float step = static_cast<float>(elapsed_counts) / static_cast<float>(frequency);
    return step < 0.05f ? step : 0.05f;
}

}  // namespace host
