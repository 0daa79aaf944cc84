// frostvale-dump wave FILE: the carol loop's WAVE image, as a full-screen
// run with the music flag on makes it at start-up.
#include <cstdio>
#include <cstdlib>

#include "dump.h"
#include "dump_common.h"
#include "music/mixdown.h"
#include "shared/little_endian.h"
#include "shared/random.h"
#include "shared/run_mode.h"

namespace dump {

int run_wave(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: frostvale-dump wave FILE\n");
        return 2;
    }
    const char* path = argv[0];
    // the textures' draws and the full-screen layout's, with 1300 snowflakes
    if (!start_like_the_saver(shared::mode_full_screen, true)) return 1;
    const uint32_t before = shared::random_state;
    const uint8_t* image = music::make_wave_image();
    const uint32_t after = shared::random_state;
    if (!image) {
        std::fprintf(stderr, "frostvale-dump wave: out of memory\n");
        return 1;
    }

    const uint32_t count = music::wave_sample_count(image);
    int32_t peak = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* at = image + music::wave_header_size + 2 * static_cast<size_t>(i);
        const int32_t sample = static_cast<int16_t>(shared::get_u16(at));
        peak = std::abs(sample) > peak ? std::abs(sample) : peak;
    }
    const size_t size = music::wave_header_size + 2 * static_cast<size_t>(count);
    FILE* f = std::fopen(path, "wb");
    bool written = f && std::fwrite(image, 1, size, f) == size;
    if (f && std::fclose(f) != 0) written = false;
    music::free_wave_image();
    if (!written) {
        std::fprintf(stderr, "frostvale-dump wave: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s: %u samples (%.2f s at 22050 Hz), peak %d, random state %u -> %u\n", path, count,
                count / 22050.0, peak, before, after);
    return 0;
}

}  // namespace dump
