#include "host/run/saver_gl.h"

#include "assets/assets.h"
#include "music/music.h"
#include "render/render.h"
#include "scene/scene.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace host {

void build_scene(uint32_t clock_ticks) {
    shared::seed_random(shared::run_mode == shared::mode_capture ? 8230u : (clock_ticks | 1u));
    assets::build_textures();
    assets::build_display_lists();
    scene::layout_scene();
    music::build_music();
}

void draw_frame(bool full_screen, const MonitorRect* monitors, int monitor_count,
                int32_t virtual_left, int32_t virtual_bottom, int32_t client_width,
                int32_t client_height) {
    ViewRect views[max_monitors];
    const int view_count = frame_views(full_screen, monitors, monitor_count, virtual_left,
                                       virtual_bottom, client_width, client_height, views);
    for (int i = 0; i < view_count; ++i) {
        render::render_view(views[i].x, views[i].y, views[i].width, views[i].height,
                            views[i].camera_phase);
    }
}

}  // namespace host
