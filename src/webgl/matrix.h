// The layer's matrices: 4 x 4, column-major as OpenGL keeps them, and the
// two stacks (model-view and projection) that glPushMatrix and
// glPopMatrix work on. Every operation multiplies on the right, as
// glMultMatrixf does: the last transform named is the first applied to a
// vertex.
#pragma once
#include <cstdint>

namespace webgl {

struct Matrix {
    float m[16];  // column-major: m[12], m[13], m[14] hold the translation
};

// OpenGL's least guaranteed depth of the model-view stack; the projection
// stack gets the same.
constexpr int32_t matrix_stack_depth = 32;

struct MatrixStack {
    Matrix level[matrix_stack_depth];
    int32_t top;  // index of the current matrix
};

Matrix identity_matrix();
// a x b
Matrix multiply(const Matrix& a, const Matrix& b);
Matrix translation(float x, float y, float z);
// angle in degrees about the axis (x, y, z), normalised first; a zero axis
// gives the identity
Matrix rotation(float angle, float x, float y, float z);
Matrix scaling(float x, float y, float z);
Matrix frustum(float left, float right, float bottom, float top, float near_plane, float far_plane);
Matrix ortho(float left, float right, float bottom, float top, float near_plane, float far_plane);

// m x (x, y, z, w)
void transform(const Matrix& m, const float in[4], float out[4]);

// The matrix that carries normals to eye space: the inverse transpose of
// m's upper 3 x 3, column-major. A singular m gives zeros.
void normal_matrix(const Matrix& m, float out[9]);

// The stack with one identity matrix.
void reset_stack(MatrixStack* stack);
// A copy of the current matrix becomes the new current one; on a full stack
// nothing happens (OpenGL's stack overflow: the call is ignored).
void push_matrix(MatrixStack* stack);
// The previous matrix comes back; on the last one nothing happens.
void pop_matrix(MatrixStack* stack);
// The current matrix times m.
void multiply_current(MatrixStack* stack, const Matrix& m);

inline Matrix& current(MatrixStack* stack) { return stack->level[stack->top]; }
inline const Matrix& current(const MatrixStack& stack) { return stack.level[stack.top]; }

}  // namespace webgl
