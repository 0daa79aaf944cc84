#include "dump_common.h"

#include <vector>

#include "assets/textures.h"
#include "dump.h"
#include "host/null/null_host.h"
#include "shared/random.h"

namespace dump {

uint32_t paint_like_the_saver(PaintedTextures* painted) {
    const int32_t sizes[3] = {assets::needle_texture_size, assets::ground_texture_size, assets::glow_texture_size};
    for (int i = 0; i < 3; ++i) {
        painted->pixels[i].assign(static_cast<size_t>(sizes[i]) * sizes[i] * 4, 0);
        painted->canvases[i] = {sizes[i], sizes[i], painted->pixels[i].data()};
    }
    shared::seed_random(capture_seed);
    assets::paint_textures(&painted->canvases[0], &painted->canvases[1], &painted->canvases[2]);
    return shared::random_state;
}

bool start_like_the_saver(int32_t mode, bool snow) {
    if (!host::open_null_host(1, 1)) {
        std::fprintf(stderr, "frostvale-dump: no off-screen OpenGL context\n");
        return false;
    }
    host::start_run(host::RunConfig{mode, snow, false, false, capture_seed});
    return true;
}

void print_float(const char* text_before, float v) { std::printf("%s%.9g", text_before, v); }

void print_vec3(const char* text_before, const shared::Vec3& v) {
    std::printf("%s[%.9g, %.9g, %.9g]", text_before, v.x, v.y, v.z);
}

}  // namespace dump
