#include "assets/shapes.h"

#include <cmath>

#include "shared/gl.h"
#include "shared/world.h"

namespace assets {

namespace {

using shared::two_pi;
constexpr float pi = 3.1415927f;

}  // namespace

void frustum(float a, float b, float h, int32_t n) {
    const float slope = (a - b) / h;
    glBegin(GL_QUAD_STRIP);
    for (int32_t i = 0; i <= n; ++i) {
        const float theta = static_cast<float>(i) / static_cast<float>(n) * shared::two_pi;
        const float c = std::cos(theta);
        const float z = std::sin(theta);
        const shared::Vec3 n = shared::unit_or_as_is({c, slope, z});
        glNormal3f(n.x, n.y, n.z);
        glVertex3f(b * c, h, b * z);
        glVertex3f(a * c, 0.0f, a * z);
    }
    glEnd();
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, h, 0.0f);
    for (int32_t i = n; i >= 0; --i) {
        const float theta = static_cast<float>(i) / static_cast<float>(n) * shared::two_pi;
        glVertex3f(std::cos(theta) * b, h, std::sin(theta) * b);
    }
    glEnd();
}

void box(float w, float h, float d) {
    const float x = w / 2.0f;
    const float y = h / 2.0f;
    const float z = d / 2.0f;
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-x, -y, z);
    glVertex3f(x, -y, z);
    glVertex3f(x, y, z);
    glVertex3f(-x, y, z);
    glNormal3f(0.0f, 0.0f, -1.0f);
    glVertex3f(x, -y, -z);
    glVertex3f(-x, -y, -z);
    glVertex3f(-x, y, -z);
    glVertex3f(x, y, -z);
    glNormal3f(1.0f, 0.0f, 0.0f);
    glVertex3f(x, -y, z);
    glVertex3f(x, -y, -z);
    glVertex3f(x, y, -z);
    glVertex3f(x, y, z);
    glNormal3f(-1.0f, 0.0f, 0.0f);
    glVertex3f(-x, -y, -z);
    glVertex3f(-x, -y, z);
    glVertex3f(-x, y, z);
    glVertex3f(-x, y, -z);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3f(-x, y, z);
    glVertex3f(x, y, z);
    glVertex3f(x, y, -z);
    glVertex3f(-x, y, -z);
    glNormal3f(0.0f, -1.0f, 0.0f);
    glVertex3f(-x, -y, -z);
    glVertex3f(x, -y, -z);
    glVertex3f(x, -y, z);
    glVertex3f(-x, -y, z);
    glEnd();
}

void sphere(int32_t slices, int32_t stacks) {
    for (int32_t j = 0; j < stacks; ++j) {
        const float lower = (static_cast<float>(j) / static_cast<float>(stacks) - 0.5f) * pi;
        const float upper = (static_cast<float>(j + 1) / static_cast<float>(stacks) - 0.5f) * pi;
        const float cos_lower = std::cos(lower);
        const float sin_lower = std::sin(lower);
        const float cos_upper = std::cos(upper);
        const float sin_upper = std::sin(upper);
        glBegin(GL_QUAD_STRIP);
        for (int32_t i = 0; i <= slices; ++i) {
            const float theta = static_cast<float>(i) / static_cast<float>(slices) * shared::two_pi;
            const float c = std::cos(theta);
            const float s = std::sin(theta);
            const float ux = cos_upper * c;
            const float uz = cos_upper * s;
            glNormal3f(ux, sin_upper, uz);
            glVertex3f(ux, sin_upper, uz);
            const float lx = cos_lower * c;
            const float lz = cos_lower * s;
            glNormal3f(lx, sin_lower, lz);
            glVertex3f(lx, sin_lower, lz);
        }
        glEnd();
    }
}

}  // namespace assets
