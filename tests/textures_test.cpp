#include <gtest/gtest.h>

#include <vector>

#include "assets/textures.h"
#include "shared/random.h"
#include "test_support.h"

namespace {

using test_support::state_after;

struct Texture {
    std::vector<uint8_t> bytes;
    assets::Canvas canvas;
    explicit Texture(int32_t size) : bytes(static_cast<size_t>(size) * size * 4, 0), canvas{size, size, bytes.data()} {}
};

// Every byte of each texture from the capture seed, by checksum, and the
// draws each takes: the pictures the captures were made with.
TEST(Textures, CaptureSeedPaintsWhatItPaintedBefore) {
    void (*const paint[3])(const assets::Canvas*) = {assets::paint_needle_texture, assets::paint_ground_texture,
                                                     assets::paint_glow_texture};
    const int32_t sizes[3] = {assets::needle_texture_size, assets::ground_texture_size, assets::glow_texture_size};
    const uint32_t checksums[3] = {0x391f2147u, 0xd9eee20fu, 0x2b640e25u};
    const int draws[3] = {22400, 760, 0};
    shared::seed_random(8230);
    for (int i = 0; i < 3; ++i) {
        Texture t(sizes[i]);
        const uint32_t before = shared::random_state;
        paint[i](&t.canvas);
        uint32_t fnv = 2166136261u;
        for (uint8_t byte : t.bytes) fnv = (fnv ^ byte) * 16777619u;
        EXPECT_EQ(fnv, checksums[i]) << i;
        EXPECT_EQ(shared::random_state, state_after(before, draws[i])) << i;
    }
}

}  // namespace
