#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "assets/textures.h"
#include "host/random.h"
#include "test_support.h"

namespace {

using test_support::state_after;

struct Texture {
    std::vector<uint8_t> bytes;
    assets::Canvas canvas;
    explicit Texture(int32_t size) : bytes(static_cast<size_t>(size) * size * 4, 0), canvas{size, size, bytes.data()} {}
    const uint8_t* at(int32_t x, int32_t y) const { return bytes.data() + (y * canvas.width + x) * 4; }
};

void expect_rgb(const uint8_t* p, int r, int g, int b, const char* where) {
    EXPECT_EQ(p[0], r) << where;
    EXPECT_EQ(p[1], g) << where;
    EXPECT_EQ(p[2], b) << where;
    EXPECT_EQ(p[3], 255) << where;
}

TEST(GlowTexture, CentreEdgesCornersAndSymmetry) {
    Texture t(assets::glow_texture_size);
    host::seed_random(8230);
    assets::paint_glow_texture(&t.canvas);
    EXPECT_EQ(host::random_state, 8230u);
    for (int y : {31, 32})
        for (int x : {31, 32}) EXPECT_EQ(t.at(x, y)[0], 249);
    EXPECT_EQ(t.at(0, 32)[0], 1);
    EXPECT_EQ(t.at(63, 32)[0], 1);
    EXPECT_EQ(t.at(32, 0)[0], 1);
    EXPECT_EQ(t.at(32, 63)[0], 1);
    for (int x : {0, 63})
        for (int y : {0, 63}) EXPECT_EQ(t.at(x, y)[0], 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const uint8_t* p = t.at(x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[2] == p[3]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(63 - x, y)[0]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(x, 63 - y)[0]) << x << "," << y;
            ASSERT_EQ(p[0], t.at(y, x)[0]) << x << "," << y;
        }
    }
    // brightness never rises away from the centre along a row
    for (int x = 32; x < 63; ++x) EXPECT_GE(t.at(x, 32)[0], t.at(x + 1, 32)[0]) << x;
}

TEST(GroundTexture, SeamsBlendOncePerLineThroughAPixel) {
    Texture t(assets::ground_texture_size);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            uint8_t* p = t.bytes.data() + (y * 512 + x) * 4;
            const bool pale = (x / 128 + y / 128) % 2 == 0;
            p[0] = pale ? 228 : 201;
            p[1] = pale ? 220 : 188;
            p[2] = pale ? 236 : 217;
            p[3] = 255;
        }
    }
    assets::paint_ground_seams(&t.canvas);
    // 228, 220, 236 -> 176, 164, 191 -> 142, 127, 162 -> 120, 103, 143 -> 106, 87, 131
    expect_rgb(t.at(0, 0), 106, 87, 131, "crossing of column 0 and row 0, four blends");
    expect_rgb(t.at(1, 1), 106, 87, 131, "crossing of column 1 and row 1");
    expect_rgb(t.at(0, 300), 142, 127, 162, "column 0, twice");
    expect_rgb(t.at(1, 40), 142, 127, 162, "column 1, twice");
    expect_rgb(t.at(300, 0), 142, 127, 162, "row 0, twice");
    expect_rgb(t.at(128, 300), 158, 143, 179, "dark tile on column 128, once");
    expect_rgb(t.at(129, 140), 176, 164, 191, "pale tile on column 129, once");
    expect_rgb(t.at(128, 128), 142, 127, 162, "crossing of 128 and 128, twice");
    expect_rgb(t.at(256, 1), 120, 103, 143, "column 256 on row 1, three blends");
    expect_rgb(t.at(2, 2), 228, 220, 236, "off the seams");
    expect_rgb(t.at(127, 300), 228, 220, 236, "beside a seam");
}

TEST(GroundTexture, UntouchedPixelsKeepTheCheckerAndTheSeamsAreInPlace) {
    Texture t(assets::ground_texture_size);
    host::seed_random(8230);
    assets::paint_ground_texture(&t.canvas);
    EXPECT_EQ(host::random_state, state_after(8230, 760));
    int tile = 0;
    int seam = 0;
    for (int y = 2; y < 512; ++y) {
        if (y % 128 < 2) continue;
        for (int x = 2; x < 512; ++x) {
            if (x % 128 < 2) continue;
            const uint8_t* p = t.at(x, y);
            const bool pale = (x / 128 + y / 128) % 2 == 0;
            tile += pale ? p[0] == 228 && p[1] == 220 && p[2] == 236 : p[0] == 201 && p[1] == 188 && p[2] == 217;
        }
        seam += t.at(0, y)[0] == 142 || t.at(0, y)[0] == 130;  // twice from either tile colour
    }
    // the streaks cover only a small part of the floor
    EXPECT_GT(tile, 500 * 500 * 8 / 10);
    EXPECT_GT(seam, 400);
}

TEST(NeedleTexture, OnlyBaseAndPaletteColoursBesideSecondColumns) {
    Texture t(assets::needle_texture_size);
    host::seed_random(8230);
    assets::paint_needle_texture(&t.canvas);
    EXPECT_EQ(host::random_state, state_after(8230, 22400));
    const uint8_t colours[7][3] = {{28, 90, 43}, {47, 125, 58}, {60, 148, 70}, {88, 176, 90},
                                   {22, 70, 31}, {143, 209, 122}, {36, 95, 47}};
    int counts[7] = {};
    int mixed = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const uint8_t* p = t.at(x, y);
            ASSERT_EQ(p[3], 255);
            int which = -1;
            for (int c = 0; c < 7; ++c)
                if (std::memcmp(p, colours[c], 3) == 0) which = c;
            if (which >= 0) {
                ++counts[which];
                continue;
            }
            // a second column: its left neighbour was painted, and it lies
            // between the base and palette colours channel by channel
            ++mixed;
            const uint8_t* left = t.at((x + 255) % 256, y);
            EXPECT_NE(std::memcmp(left, colours[0], 3), 0) << x << "," << y;
            EXPECT_TRUE(p[0] >= 22 && p[0] <= 143 && p[1] >= 70 && p[1] <= 209 && p[2] >= 31 && p[2] <= 122)
                << x << "," << y;
        }
    }
    for (int c = 0; c < 7; ++c) EXPECT_GT(counts[c], 1000) << c;
    EXPECT_GT(mixed, 0);
}

TEST(Textures, TwoRunsFromTheCaptureSeedAreByteIdentical) {
    std::vector<uint8_t> first[3];
    uint32_t after[2];
    for (int run = 0; run < 2; ++run) {
        Texture needle(assets::needle_texture_size);
        Texture ground(assets::ground_texture_size);
        Texture glow(assets::glow_texture_size);
        host::seed_random(8230);
        assets::paint_needle_texture(&needle.canvas);
        assets::paint_ground_texture(&ground.canvas);
        assets::paint_glow_texture(&glow.canvas);
        after[run] = host::random_state;
        if (run == 0) {
            first[0] = needle.bytes;
            first[1] = ground.bytes;
            first[2] = glow.bytes;
        } else {
            EXPECT_TRUE(first[0] == needle.bytes);
            EXPECT_TRUE(first[1] == ground.bytes);
            EXPECT_TRUE(first[2] == glow.bytes);
        }
    }
    EXPECT_EQ(after[0], after[1]);
    EXPECT_EQ(after[0], state_after(8230, 23160));
}

}  // namespace
