// Immediate mode: vertices gathered between glBegin and glEnd with the
// attributes current at each one, turned into separate points, lines or
// triangles, and either drawn at once (streamed by the batching, in object
// space; quads that are parallelograms as sprites, points of one colour
// as positions) or added to the list being compiled.
#include <cstring>
#include <vector>

#include "webgl/batch.h"
#include "webgl/gl11.h"
#include "webgl/lists.h"
#include "webgl/primitives.h"
#include "webgl/state.h"

namespace webgl {

namespace {

// Between glBegin and glEnd: the mode, the vertices, the attributes set
// inside (for the list's closing call_current), and glEnd's indices.
// Written by glBegin, glVertex, the attribute calls and glEnd, read by glEnd;
// inside also by glVertex and the attribute calls.
bool inside = false;
uint32_t primitive_mode = 0;
uint8_t primitive_set = 0;
std::vector<Vertex> primitive;
std::vector<uint32_t> indices;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

// The attribute call of one of the three current vertex attributes: it
// applies to the vertices that follow, inside a primitive or outside.
void attribute(uint8_t bit, const float* v, int n) {
    if (compiling) {
        float* to = bit == inherit_normal ? list_normal : bit == inherit_colour ? list_colour : list_texcoord;
        copy(to, v, n);
        list_set |= bit;
        if (inside) {
            primitive_set |= bit;
        } else {
            submit(make_values(bit == inherit_normal   ? call_normal
                               : bit == inherit_colour ? call_colour
                                                       : call_texcoord,
                               0, 0, v, n));
        }
        return;
    }
    copy(bit == inherit_normal ? state.normal : bit == inherit_colour ? state.colour : state.texcoord, v, n);
}

}  // namespace

}  // namespace webgl

void glBegin(GLenum mode) {
    using namespace webgl;
    if (inside) return;
    inside = true;
    primitive_mode = mode;
    primitive_set = 0;
    primitive.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    using namespace webgl;
    if (!inside) return;
    Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    copy(v.normal, compiling ? list_normal : state.normal, 3);
    copy(v.colour, compiling ? list_colour : state.colour, 4);
    copy(v.texcoord, compiling ? list_texcoord : state.texcoord, 2);
    v.part = 0.0f;
    primitive.push_back(v);
}

void glVertex2i(GLint x, GLint y) { glVertex3f(static_cast<float>(x), static_cast<float>(y), 0.0f); }

void glEnd() {
    using namespace webgl;
    if (!inside) return;
    inside = false;
    indices.clear();
    const int32_t count = static_cast<int32_t>(primitive.size());
    const uint32_t mode = primitive_indices(primitive_mode, count, &indices);
    const int32_t index_count = static_cast<int32_t>(indices.size());
    if (!compiling) {
        // quads that are parallelograms go as sprites, a corner and a colour each
        if (primitive_mode == GL_QUADS && add_sprites(state, primitive.data(), count / 4)) return;
        // points of one colour (the sky's stars) as positions alone
        if (primitive_mode == GL_POINTS && add_points(state, primitive.data(), count)) return;
        add_draw(state, mode, primitive.data(), count, indices.data(), index_count);
        return;
    }
    if (index_count > 0) add_compiled_draw(mode, primitive.data(), count, indices.data(), index_count);
    if (primitive_set) {
        Call current = make_call(call_current, primitive_set);
        copy(current.v, list_normal, 3);
        copy(current.v + 4, list_colour, 4);
        copy(current.v + 8, list_texcoord, 2);
        submit(current);
    }
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    webgl::attribute(webgl::inherit_normal, v, 3);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    const float v[4] = {r, g, b, 1.0f};
    webgl::attribute(webgl::inherit_colour, v, 4);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    const float v[2] = {s, t};
    webgl::attribute(webgl::inherit_texcoord, v, 2);
}
