#include <gtest/gtest.h>

#include <cstring>
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

// The floor's checker of 128-pixel tiles: pale, then dark.
const uint8_t checker[2][3] = {{228, 220, 236}, {201, 188, 217}};
const uint8_t* tile_at(int x, int y) { return checker[(x / 128 + y / 128) % 2]; }

TEST(GroundTexture, SeamsBlendOncePerLineThroughAPixel) {
    Texture t(assets::ground_texture_size);
    for (int i = 0; i < 512 * 512; ++i) {
        std::memcpy(t.bytes.data() + i * 4, tile_at(i % 512, i / 512), 3);
        t.bytes[i * 4 + 3] = 255;
    }
    assets::paint_ground_seams(&t.canvas);
    // x, y, then the blends through it: pale 228, 220, 236 -> 176, 164, 191
    // -> 142, 127, 162 -> 120, 103, 143 -> 106, 87, 131; dark once: 158, 143, 179
    const int expected[][5] = {{0, 0, 106, 87, 131},      {1, 1, 106, 87, 131},    {0, 300, 142, 127, 162},
                               {1, 40, 142, 127, 162},    {300, 0, 142, 127, 162}, {128, 300, 158, 143, 179},
                               {129, 140, 176, 164, 191}, {128, 128, 142, 127, 162}, {256, 1, 120, 103, 143},
                               {2, 2, 228, 220, 236},     {127, 300, 228, 220, 236}};
    for (const auto& e : expected) {
        const uint8_t* p = t.at(e[0], e[1]);
        EXPECT_TRUE(p[0] == e[2] && p[1] == e[3] && p[2] == e[4] && p[3] == 255)
            << e[0] << "," << e[1] << ": " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    }
}

TEST(GroundTexture, StreaksLeaveMostOfTheCheckerAnd760Draws) {
    Texture t(assets::ground_texture_size);
    shared::seed_random(8230);
    assets::paint_ground_texture(&t.canvas);
    EXPECT_EQ(shared::random_state, state_after(8230, 760));
    int tile = 0;
    int seam = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) tile += std::memcmp(t.at(x, y), tile_at(x, y), 3) == 0;
        seam += t.at(0, y)[0] == 142 || t.at(0, y)[0] == 130;  // column 0, twice over either tile
    }
    EXPECT_GT(tile, 512 * 512 * 8 / 10);
    EXPECT_GT(seam, 400);
}

TEST(NeedleTexture, OnlyBaseAndPaletteColoursBesideSecondColumns) {
    Texture t(assets::needle_texture_size);
    shared::seed_random(8230);
    assets::paint_needle_texture(&t.canvas);
    EXPECT_EQ(shared::random_state, state_after(8230, 22400));
    const uint8_t colours[7][3] = {{28, 90, 43}, {47, 125, 58},  {60, 148, 70}, {88, 176, 90},
                                   {22, 70, 31}, {143, 209, 122}, {36, 95, 47}};
    int counts[8] = {};  // the last: second columns, mixed
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint8_t* p = t.at(x, y);
            ASSERT_EQ(p[3], 255);
            int which = 7;
            for (int c = 0; c < 7; ++c)
                if (std::memcmp(p, colours[c], 3) == 0) which = c;
            ++counts[which];
            // a second column's left neighbour was painted; it lies between
            // the darkest and lightest colours channel by channel
            if (which == 7) {
                ASSERT_TRUE(std::memcmp(t.at((x + 255) % 256, y), colours[0], 3) != 0 && p[0] >= 22 && p[0] <= 143 &&
                            p[1] >= 70 && p[1] <= 209 && p[2] >= 31 && p[2] <= 122)
                    << x << "," << y;
            }
        }
    for (int c = 0; c < 7; ++c) EXPECT_GT(counts[c], 1000) << c;
    EXPECT_GT(counts[7], 0);
}

}  // namespace
