// The browser's player: browsers let a page sound only after a click, so
// no run in the browser has music from its start and the run never calls
// on this player; the page's music button asks for the carol loop's WAVE
// image instead and loops it through Web Audio (src/host/web).
#include <emscripten/emscripten.h>

#include <cstdint>

#include "music/mixdown.h"
#include "music/music.h"

namespace music {

void build_music() {}
void stop_music() {}
void pause_music() {}
void restart_music() {}

}  // namespace music

extern "C" {

// The carol loop's WAVE image, synthesized on the first call (when the
// music is first switched on) without disturbing the scene's random
// sequence; null when it cannot be made.
EMSCRIPTEN_KEEPALIVE const uint8_t* frostvale_music_image() { return music::make_late_wave_image(); }

// The image's size in bytes; 0 while there is none.
EMSCRIPTEN_KEEPALIVE uint32_t frostvale_music_image_size() {
    return music::wave_image ? music::wave_header_size + 2 * music::wave_sample_count(music::wave_image) : 0;
}

}  // extern "C"
