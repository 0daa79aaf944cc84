#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "assets/paint.h"

namespace {

const assets::Colour white = {1.0f, 1.0f, 1.0f};

// An 8 x 4 canvas, all zero.
struct TestCanvas {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(8 * 4 * 4, 0);
    assets::Canvas canvas{8, 4, bytes.data()};
    int red(int x, int y) const { return bytes[(y * 8 + x) * 4]; }
    int painted() const {
        int n = 0;
        for (size_t i = 3; i < bytes.size(); i += 4) n += bytes[i] != 0;
        return n;
    }
    void line(float x0, float y0, float x1, float y1, float k, float width) {
        assets::stroke(&canvas, x0, y0, x1, y1, &white, k, width);
    }
    void dot(float x, float y, float k, float width) { line(x, y, x, y, k, width); }
};

// R, G, B, A of the pixel after one blend.
std::vector<int> blended(std::vector<uint8_t> before, float r, float g, float b, float k) {
    assets::blend_pixel(before.data(), r, g, b, k);
    return {before[0], before[1], before[2], before[3]};
}

TEST(PixelBlend, TruncatesTowardTheTargetAndSetsAlpha) {
    // 255 - 45.9, 28 + 3.42
    EXPECT_EQ(blended({255, 255, 28, 7}, 0, 255, 47, 0.18f), (std::vector<int>{209, 255, 31, 255}));
    EXPECT_EQ(blended({28, 90, 43, 255}, 47, 125, 58, 1.0f), (std::vector<int>{47, 125, 58, 255}));
    // a wide stroke's second column
    EXPECT_EQ(blended({28, 90, 43, 255}, 47, 125, 58, 0.6f), (std::vector<int>{39, 111, 52, 255}));
    // k = 1 reaches every byte exactly, from below and above
    for (int v = 0; v < 256; ++v) {
        const float f = static_cast<float>(v) / 255.0f * 255.0f;
        ASSERT_EQ(blended({0, 255, 128, 0}, f, f, f, 1.0f), (std::vector<int>{v, v, v, 255}));
    }
}

TEST(Stroke, SamplesHalfAPixelApartEachBlendedOnce) {
    // n = 4: six samples at x = 0.5, 0.9, ... 2.5, two in each of columns 0-2
    TestCanvas c;
    c.line(0.5f, 0.5f, 2.5f, 0.5f, 0.5f, 1.0f);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(c.red(x, 0), 191) << x;  // 0 -> 127 -> 191
    EXPECT_EQ(c.painted(), 3);
    TestCanvas still;  // zero length: both ends sampled, the one pixel twice
    still.dot(3.2f, 2.7f, 0.5f, 1.0f);
    EXPECT_EQ(still.red(3, 2), 191);
    EXPECT_EQ(still.painted(), 1);
}

TEST(Stroke, WrapsAroundBothEdges) {
    TestCanvas c;
    c.dot(-1.5f, 1.0f, 1.0f, 1.0f);  // trunc(-1.5) = -1 -> column 7
    c.dot(-0.5f, 2.0f, 1.0f, 1.0f);  // trunc(-0.5) = 0
    c.dot(2.0f, -1.5f, 1.0f, 1.0f);
    c.dot(17.0f, 9.0f, 1.0f, 1.0f);
    EXPECT_EQ(c.red(7, 1) + c.red(0, 2) + c.red(2, 3) + c.red(1, 1), 4 * 255);
    EXPECT_EQ(c.painted(), 4);
    TestCanvas d;  // leaving on the right comes back on the left
    d.line(6.5f, 0.5f, 9.5f, 0.5f, 1.0f, 1.0f);
    EXPECT_EQ(d.red(6, 0) + d.red(7, 0) + d.red(0, 0) + d.red(1, 0), 4 * 255);
    EXPECT_EQ(d.painted(), 4);
}

TEST(Stroke, WidthAbove1Point3AddsTheRightColumnAtSixTenths) {
    TestCanvas narrow, wide, edge;
    narrow.dot(2.5f, 1.5f, 1.0f, 1.3f);
    EXPECT_EQ(narrow.painted(), 1);
    wide.dot(2.5f, 1.5f, 1.0f, 1.31f);
    EXPECT_EQ(wide.painted(), 2);
    EXPECT_EQ(wide.red(2, 1), 255);
    EXPECT_EQ(wide.red(3, 1), 214);  // 0 -> 153 -> 153 + 61.2, two samples
    edge.dot(7.5f, 3.5f, 0.5f, 1.5f);  // the second column of the last wraps to 0
    EXPECT_EQ(edge.red(7, 3), 191);
    EXPECT_EQ(edge.red(0, 3), 129);  // 0 -> 76.5 -> 76 + 179 x 0.3
    EXPECT_EQ(edge.painted(), 2);
}

TEST(Stroke, NotANumberOrAbsurdLengthPaintsNothing) {
    TestCanvas c;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    c.line(nan, 1.0f, 2.0f, 1.0f, 1.0f, 1.5f);
    c.line(1.0f, 1.0f, 1.0f, nan, 1.0f, 1.5f);
    c.line(0.0f, 0.0f, std::numeric_limits<float>::infinity(), 0.0f, 1.0f, 1.5f);
    c.line(0.0f, 0.0f, 2.0e9f, 0.0f, 1.0f, 1.5f);
    EXPECT_EQ(c.painted(), 0);
}

}  // namespace
