// The browser's player: browsers let a page sound only after a click, so
// no run in the browser has music from its start and the run never calls
// on this player; the page's music button asks for the carol loop's WAVE
// image instead and loops it through Web Audio (src/host/web).
#include <emscripten/emscripten.h>

#include <cstdint>

#include "music/mixdown.h"
#include "music/music.h"
#include "shared/random.h"

namespace music {

void build_music() {}
void stop_music() {}
void pause_music() {}
void restart_music() {}

}  // namespace music

extern "C" {

// The carol loop's WAVE image, synthesized on the first call (when the
// music is first switched on); null when it cannot be made. The random
// source is left where it was, so the scene goes on as it would have
// without music.
EMSCRIPTEN_KEEPALIVE const uint8_t* frostvale_music_image() {
    if (!music::wave_image) {
        const uint32_t scene_random = shared::random_state;
        music::make_wave_image();
        shared::random_state = scene_random;
    }
    return music::wave_image;
}

// The image's size in bytes; 0 while there is none.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_music_image_size() {
    return music::wave_image ? music::wave_header_size + 2 * music::wave_sample_count(music::wave_image) : 0;
}

}  // extern "C"
