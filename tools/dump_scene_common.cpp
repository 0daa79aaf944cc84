#include "dump_scene_common.h"

#include <vector>

#include "assets/textures.h"
#include "dump.h"
#include "host/random.h"

namespace dump {

uint32_t start_like_the_saver() {
    host::seed_random(capture_seed);
    // The texture builder paints in this order before it uploads (23,160
    // draws); the display lists take none.
    std::vector<uint8_t> needle_pixels(static_cast<size_t>(assets::needle_texture_size) * assets::needle_texture_size * 4);
    std::vector<uint8_t> ground_pixels(static_cast<size_t>(assets::ground_texture_size) * assets::ground_texture_size * 4);
    std::vector<uint8_t> glow_pixels(static_cast<size_t>(assets::glow_texture_size) * assets::glow_texture_size * 4);
    const assets::Canvas needle = {assets::needle_texture_size, assets::needle_texture_size, needle_pixels.data()};
    const assets::Canvas ground = {assets::ground_texture_size, assets::ground_texture_size, ground_pixels.data()};
    const assets::Canvas glow = {assets::glow_texture_size, assets::glow_texture_size, glow_pixels.data()};
    assets::paint_needle_texture(&needle);
    assets::paint_ground_texture(&ground);
    assets::paint_glow_texture(&glow);
    return host::random_state;
}

void print_float(const char* text_before, float v) { std::printf("%s%.9g", text_before, v); }

void print_vec3(const char* text_before, const scene::Vec3& v) {
    std::printf("%s[%.9g, %.9g, %.9g]", text_before, v.x, v.y, v.z);
}

}  // namespace dump
