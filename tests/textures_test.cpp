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
    const uint8_t* at(int32_t x, int32_t y) const { return bytes.data() + (y * canvas.width + x) * 4; }
};

TEST(GlowTexture, CentreEdgesCornersAndSymmetry) {
    Texture t(assets::glow_texture_size);
    shared::seed_random(8230);
    assets::paint_glow_texture(&t.canvas);
    EXPECT_EQ(shared::random_state, 8230u);
    // x, y, value: 249 at the four centre pixels, 1 mid-edge, 0 in the corners
    const int expected[][3] = {{31, 31, 249}, {32, 32, 249}, {0, 32, 1},  {63, 32, 1},
                               {32, 0, 1},    {32, 63, 1},   {0, 0, 0},   {63, 63, 0}};
    for (const auto& e : expected) EXPECT_EQ(t.at(e[0], e[1])[0], e[2]) << e[0] << "," << e[1];
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t* p = t.at(x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[2] == p[3]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(63 - x, y)[0]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(x, 63 - y)[0]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(y, x)[0]) << x << "," << y;
        }
    for (int x = 32; x < 63; ++x) EXPECT_GE(t.at(x, 32)[0], t.at(x + 1, 32)[0]) << x;
}

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
