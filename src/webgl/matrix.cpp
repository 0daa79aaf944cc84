#include "webgl/matrix.h"

#include <cmath>

namespace webgl {

Matrix identity_matrix() {
    Matrix r = {};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = sum;
        }
    }
    return r;
}

Matrix translation(float x, float y, float z) {
    Matrix r = identity_matrix();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix rotation(float angle, float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0f)) return identity_matrix();
    x /= length;
    y /= length;
    z /= length;
    // degrees to radians, in single precision
    const float radians = angle * 0.0174532925f;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float k = 1.0f - c;
    Matrix r = identity_matrix();
    r.m[0] = x * x * k + c;
    r.m[1] = y * x * k + z * s;
    r.m[2] = x * z * k - y * s;
    r.m[4] = x * y * k - z * s;
    r.m[5] = y * y * k + c;
    r.m[6] = y * z * k + x * s;
    r.m[8] = x * z * k + y * s;
    r.m[9] = y * z * k - x * s;
    r.m[10] = z * z * k + c;
    return r;
}

Matrix scaling(float x, float y, float z) {
    Matrix r = identity_matrix();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

Matrix frustum(float left, float right, float bottom, float top, float near_plane, float far_plane) {
    Matrix r = {};
    r.m[0] = 2.0f * near_plane / (right - left);
    r.m[5] = 2.0f * near_plane / (top - bottom);
    r.m[8] = (right + left) / (right - left);
    r.m[9] = (top + bottom) / (top - bottom);
    r.m[10] = -(far_plane + near_plane) / (far_plane - near_plane);
    r.m[11] = -1.0f;
    r.m[14] = -2.0f * far_plane * near_plane / (far_plane - near_plane);
    return r;
}

Matrix ortho(float left, float right, float bottom, float top, float near_plane, float far_plane) {
    Matrix r = identity_matrix();
    r.m[0] = 2.0f / (right - left);
    r.m[5] = 2.0f / (top - bottom);
    r.m[10] = -2.0f / (far_plane - near_plane);
    r.m[12] = -(right + left) / (right - left);
    r.m[13] = -(top + bottom) / (top - bottom);
    r.m[14] = -(far_plane + near_plane) / (far_plane - near_plane);
    return r;
}

void transform(const Matrix& m, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m.m[row] * in[0] + m.m[4 + row] * in[1] + m.m[8 + row] * in[2] + m.m[12 + row] * in[3];
    }
}

void normal_matrix(const Matrix& m, float out[9]) {
    // a(row, col) of the upper 3 x 3
    auto a = [&m](int row, int col) { return m.m[col * 4 + row]; };
    // the cofactors of a are the inverse transpose times the determinant
    const float c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1);
    const float c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
    const float c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const float c10 = a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2);
    const float c11 = a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0);
    const float c12 = a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1);
    const float c20 = a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1);
    const float c21 = a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2);
    const float c22 = a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0);
    const float det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    const float inv = det != 0.0f ? 1.0f / det : 0.0f;
    // column-major: out[col * 3 + row] = cofactor(row, col) / det
    const float cof[9] = {c00, c10, c20, c01, c11, c21, c02, c12, c22};
    for (int i = 0; i < 9; ++i) out[i] = cof[i] * inv;
}

void reset_stack(MatrixStack* stack) {
    stack->top = 0;
    stack->level[0] = identity_matrix();
}

void push_matrix(MatrixStack* stack) {
    if (stack->top + 1 >= matrix_stack_depth) return;
    stack->level[stack->top + 1] = stack->level[stack->top];
    ++stack->top;
}

void pop_matrix(MatrixStack* stack) {
    if (stack->top > 0) --stack->top;
}

void multiply_current(MatrixStack* stack, const Matrix& m) { current(stack) = multiply(current(stack), m); }

}  // namespace webgl
