#include "host/run/saver_rules.h"

#include "shared/run_mode.h"

namespace host {

bool run_plays_music(int32_t mode, bool music_chosen, bool inside_other_window) {
    return music_chosen && mode == shared::mode_full_screen && !inside_other_window;
}

uint32_t run_seed(int32_t mode, uint32_t clock_ticks) {
    return mode == shared::mode_capture ? 8230u : (clock_ticks | 1u);
}

bool mouse_travelled(int32_t ref_x, int32_t ref_y, int32_t x, int32_t y) {
    const int64_t dx = static_cast<int64_t>(x) - ref_x;
    const int64_t dy = static_cast<int64_t>(y) - ref_y;
    return dx > 8 || dx < -8 || dy > 8 || dy < -8;
}

float frame_time_step(int64_t elapsed_counts, int64_t frequency) {
    const float step = static_cast<float>(elapsed_counts) / static_cast<float>(frequency);
    return step < 0.05f ? step : 0.05f;
}

SwapPacing start_swap_pacing(int32_t refresh_hz, double now) {
    SwapPacing pacing = {};
    pacing.refresh_period = 1.0 / (refresh_hz > 1 ? refresh_hz : 60);
    pacing.last_swap = now;
    return pacing;
}

double pace_after_swap(SwapPacing* pacing, double now) {
    const double frame = now - pacing->last_swap;
    pacing->last_swap = now;
    if (!pacing->paced) {
        pacing->block_seconds += frame;
        if (++pacing->block_frames < frames_per_block) return 0.0;
        const bool quick = pacing->block_seconds < quick_block_share * frames_per_block * pacing->refresh_period;
        pacing->block_frames = 0;
        pacing->block_seconds = 0.0;
        if (!quick) return 0.0;
        pacing->paced = true;
        pacing->next_frame_due = now;
    }
    pacing->next_frame_due += pacing->refresh_period;
    if (pacing->next_frame_due < now) pacing->next_frame_due = now;
    return pacing->next_frame_due - now;
}

}  // namespace host
