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

// How strokes sample and blend shows in the textures' checksums; here the
// wrap at every edge, a wide stroke's second column included, and lines no
// texture draws.
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
    TestCanvas wide;  // the second column of the last wraps to 0, at 0.6 k
    wide.dot(7.5f, 3.5f, 0.5f, 1.5f);
    EXPECT_EQ(wide.red(7, 3), 191);  // 0 -> 127 -> 191
    EXPECT_EQ(wide.red(0, 3), 129);  // 0 -> 76.5 -> 76 + 179 x 0.3
    EXPECT_EQ(wide.painted(), 2);
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
