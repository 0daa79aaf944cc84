#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "assets/paint.h"

namespace {

struct TestCanvas {
    std::vector<uint8_t> bytes;
    assets::Canvas canvas;
    TestCanvas(int32_t w, int32_t h) : bytes(static_cast<size_t>(w) * h * 4, 0), canvas{w, h, bytes.data()} {}
    const uint8_t* at(int32_t x, int32_t y) const { return bytes.data() + (y * canvas.width + x) * 4; }
    int painted() const {
        int n = 0;
        for (size_t i = 3; i < bytes.size(); i += 4) n += bytes[i] != 0;
        return n;
    }
};

const assets::Colour white = {1.0f, 1.0f, 1.0f};

TEST(PixelBlend, TruncatesTowardTheTargetAndSetsAlpha) {
    uint8_t p[4] = {255, 255, 28, 7};
    assets::blend_pixel(p, 0.0f, 255.0f, 47.0f, 0.18f);
    EXPECT_EQ(p[0], 209);  // 255 - 45.9 = 209.1
    EXPECT_EQ(p[1], 255);
    EXPECT_EQ(p[2], 31);  // 28 + 3.42
    EXPECT_EQ(p[3], 255);
    uint8_t q[4] = {28, 90, 43, 255};
    assets::blend_pixel(q, 47.0f, 125.0f, 58.0f, 1.0f);
    EXPECT_EQ(q[0], 47);
    EXPECT_EQ(q[1], 125);
    EXPECT_EQ(q[2], 58);
    // a wide stroke's second column: base toward needle colour 0 at 0.6
    uint8_t s[4] = {28, 90, 43, 255};
    assets::blend_pixel(s, 47.0f, 125.0f, 58.0f, 0.6f);
    EXPECT_EQ(s[0], 39);
    EXPECT_EQ(s[1], 111);
    EXPECT_EQ(s[2], 52);
}

TEST(PixelBlend, EveryByteOverAColourRoundTrips) {
    for (int v = 0; v < 256; ++v) {
        uint8_t p[4] = {0, 255, 128, 0};
        const float f = static_cast<float>(v) / 255.0f * 255.0f;
        assets::blend_pixel(p, f, f, f, 1.0f);
        EXPECT_EQ(p[0], v);
        EXPECT_EQ(p[1], v);
        EXPECT_EQ(p[2], v);
    }
}

TEST(Stroke, SamplesHalfAPixelApartEachBlendedOnce) {
    // (0.5, 0.5) to (2.5, 0.5): n = 4, six samples at x = 0.5, 0.9, 1.3,
    // 1.7, 2.1, 2.5 -> columns 0, 0, 1, 1, 2, 2, two blends each
    TestCanvas c(8, 4);
    assets::stroke(&c.canvas, 0.5f, 0.5f, 2.5f, 0.5f, &white, 0.5f, 1.0f);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(c.at(x, 0)[0], 191) << x;  // 0 -> 127 -> 191
    EXPECT_EQ(c.painted(), 3);
}

TEST(Stroke, ZeroLengthBlendsItsPixelTwice) {
    TestCanvas c(8, 4);
    assets::stroke(&c.canvas, 3.2f, 2.7f, 3.2f, 2.7f, &white, 0.5f, 1.0f);
    EXPECT_EQ(c.at(3, 2)[0], 191);
    EXPECT_EQ(c.painted(), 1);
}

TEST(Stroke, WrapsAroundBothEdges) {
    TestCanvas c(8, 4);
    assets::stroke(&c.canvas, -1.5f, 1.0f, -1.5f, 1.0f, &white, 1.0f, 1.0f);
    EXPECT_EQ(c.at(7, 1)[0], 255);  // trunc(-1.5) = -1
    assets::stroke(&c.canvas, -0.5f, 2.0f, -0.5f, 2.0f, &white, 1.0f, 1.0f);
    EXPECT_EQ(c.at(0, 2)[0], 255);  // trunc(-0.5) = 0
    assets::stroke(&c.canvas, 2.0f, -1.5f, 2.0f, -1.5f, &white, 1.0f, 1.0f);
    EXPECT_EQ(c.at(2, 3)[0], 255);
    assets::stroke(&c.canvas, 17.0f, 9.0f, 17.0f, 9.0f, &white, 1.0f, 1.0f);
    EXPECT_EQ(c.at(1, 1)[0], 255);
    EXPECT_EQ(c.painted(), 4);
    // a line leaving on the right comes back on the left
    TestCanvas d(8, 4);
    assets::stroke(&d.canvas, 6.5f, 0.5f, 9.5f, 0.5f, &white, 1.0f, 1.0f);
    EXPECT_EQ(d.at(6, 0)[0], 255);
    EXPECT_EQ(d.at(7, 0)[0], 255);
    EXPECT_EQ(d.at(0, 0)[0], 255);
    EXPECT_EQ(d.at(1, 0)[0], 255);
    EXPECT_EQ(d.painted(), 4);
}

TEST(Stroke, WidthAbove1Point3AddsTheRightColumnAtSixTenths) {
    TestCanvas narrow(8, 4);
    assets::stroke(&narrow.canvas, 2.5f, 1.5f, 2.5f, 1.5f, &white, 1.0f, 1.3f);
    EXPECT_EQ(narrow.painted(), 1);
    TestCanvas wide(8, 4);
    assets::stroke(&wide.canvas, 2.5f, 1.5f, 2.5f, 1.5f, &white, 1.0f, 1.31f);
    EXPECT_EQ(wide.painted(), 2);
    EXPECT_EQ(wide.at(2, 1)[0], 255);
    EXPECT_EQ(wide.at(3, 1)[0], 214);  // 0 -> 153 -> 153 + 61.2, two samples
    // the second column of the last column wraps to column 0
    TestCanvas edge(8, 4);
    assets::stroke(&edge.canvas, 7.5f, 3.5f, 7.5f, 3.5f, &white, 0.5f, 1.5f);
    EXPECT_EQ(edge.at(7, 3)[0], 191);
    EXPECT_EQ(edge.at(0, 3)[0], 129);  // 0 -> 76.5 -> 76 + 179 x 0.3
    EXPECT_EQ(edge.painted(), 2);
}

TEST(Stroke, NotANumberOrAbsurdLengthPaintsNothing) {
    TestCanvas c(8, 4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    assets::stroke(&c.canvas, nan, 1.0f, 2.0f, 1.0f, &white, 1.0f, 1.5f);
    assets::stroke(&c.canvas, 1.0f, 1.0f, 1.0f, nan, &white, 1.0f, 1.5f);
    assets::stroke(&c.canvas, 0.0f, 0.0f, inf, 0.0f, &white, 1.0f, 1.5f);
    assets::stroke(&c.canvas, 0.0f, 0.0f, 2.0e9f, 0.0f, &white, 1.0f, 1.5f);
    EXPECT_EQ(c.painted(), 0);
}

}  // namespace
