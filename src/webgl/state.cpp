// The OpenGL state and its entry points: each state call is recorded in
// the list being compiled or acts at once (lists.h's submit), through the
// setters below.
#include "webgl/state.h"

#include <cstring>

#include "webgl/gl11.h"
#include "webgl/lists.h"

namespace webgl {

State state;

namespace {

// OpenGL's least depth of the attribute stack
constexpr int32_t attribute_stack_depth = 16;

// Written and read by push_attributes and pop_attributes, emptied by reset_state.
State attribute_stack[attribute_stack_depth];
int32_t attribute_depth = 0;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

void set4(float* to, float a, float b, float c, float d) {
    to[0] = a;
    to[1] = b;
    to[2] = c;
    to[3] = d;
}

uint32_t switch_of(uint32_t cap) {
    switch (cap) {
        case GL_LIGHTING:
            return switch_lighting;
        case GL_FOG:
            return switch_fog;
        case GL_DEPTH_TEST:
            return switch_depth_test;
        case GL_TEXTURE_2D:
            return switch_texture;
        case GL_BLEND:
            return switch_blend;
        case GL_SCISSOR_TEST:
            return switch_scissor;
        case GL_NORMALIZE:
            return switch_normalize;
        default:
            return 0;
    }
}

}  // namespace

void reset_state(State* s, int32_t width, int32_t height) {
    *s = State{};
    reset_stack(&s->modelview);
    reset_stack(&s->projection);
    s->matrix_mode = GL_MODELVIEW;
    set4(s->colour, 1.0f, 1.0f, 1.0f, 1.0f);
    s->normal[2] = 1.0f;
    for (int32_t i = 0; i < light_count; ++i) {
        Light& l = s->lights[i];
        set4(l.position, 0.0f, 0.0f, 1.0f, 0.0f);
        set4(l.ambient, 0.0f, 0.0f, 0.0f, 1.0f);
        const float d = i == 0 ? 1.0f : 0.0f;
        set4(l.diffuse, d, d, d, 1.0f);
        set4(l.specular, d, d, d, 1.0f);
        l.attenuation[0] = 1.0f;
    }
    set4(s->light_model_ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    set4(s->material.ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    set4(s->material.diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
    set4(s->material.specular, 0.0f, 0.0f, 0.0f, 1.0f);
    set4(s->material.emission, 0.0f, 0.0f, 0.0f, 1.0f);
    s->fog_end = 1.0f;
    s->point_size = 1.0f;
    s->depth_mask = true;
    s->blend_source = GL_ONE;
    s->blend_destination = GL_ZERO;
    s->viewport[2] = s->scissor[2] = width;
    s->viewport[3] = s->scissor[3] = height;
    s->pack_alignment = 4;
    attribute_depth = 0;
}

MatrixStack* current_stack() { return state.matrix_mode == GL_PROJECTION ? &state.projection : &state.modelview; }

void set_enabled(uint32_t cap, bool on) {
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + light_count) {
        state.lights[cap - GL_LIGHT0].enabled = on;
        return;
    }
    const uint32_t bit = switch_of(cap);
    state.switches = on ? state.switches | bit : state.switches & ~bit;
}

void set_light(uint32_t name, uint32_t pname, const float* v) {
    if (name < GL_LIGHT0 || name >= GL_LIGHT0 + light_count) return;
    Light& l = state.lights[name - GL_LIGHT0];
    switch (pname) {
        case GL_POSITION:
            transform(current(state.modelview), v, l.position);
            break;
        case GL_AMBIENT:
            copy(l.ambient, v, 4);
            break;
        case GL_DIFFUSE:
            copy(l.diffuse, v, 4);
            break;
        case GL_SPECULAR:
            copy(l.specular, v, 4);
            break;
        case GL_CONSTANT_ATTENUATION:
            l.attenuation[0] = v[0];
            break;
        case GL_LINEAR_ATTENUATION:
            l.attenuation[1] = v[0];
            break;
        case GL_QUADRATIC_ATTENUATION:
            l.attenuation[2] = v[0];
            break;
        default:
            break;
    }
}

void set_material(uint32_t face, uint32_t pname, const float* v) {
    if (face == GL_BACK) return;
    Material& m = state.material;
    switch (pname) {
        case GL_AMBIENT:
            copy(m.ambient, v, 4);
            break;
        case GL_DIFFUSE:
            copy(m.diffuse, v, 4);
            break;
        case GL_AMBIENT_AND_DIFFUSE:
            copy(m.ambient, v, 4);
            copy(m.diffuse, v, 4);
            break;
        case GL_SPECULAR:
            copy(m.specular, v, 4);
            break;
        case GL_EMISSION:
            copy(m.emission, v, 4);
            break;
        case GL_SHININESS:
            m.shininess = v[0];
            break;
        default:
            break;
    }
}

void push_attributes() {
    if (attribute_depth < attribute_stack_depth) attribute_stack[attribute_depth++] = state;
}

void pop_attributes() {
    if (attribute_depth <= 0) return;
    // everything comes back but the matrices
    State saved = attribute_stack[--attribute_depth];
    saved.modelview = state.modelview;
    saved.projection = state.projection;
    state = saved;
}

}  // namespace webgl

// The state entry points, named by gl11.h's macros (webgl::glEnable and so on).

void glMatrixMode(GLenum mode) { webgl::submit(webgl::make_call(webgl::call_matrix_mode, mode)); }
void glLoadIdentity() { webgl::submit(webgl::make_call(webgl::call_load_identity)); }
void glPushMatrix() { webgl::submit(webgl::make_call(webgl::call_push_matrix)); }
void glPopMatrix() { webgl::submit(webgl::make_call(webgl::call_pop_matrix)); }

void glMultMatrixf(const GLfloat* m) { webgl::submit(webgl::make_values(webgl::call_multiply, 0, 0, m, 16)); }

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::translation(x, y, z).m); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::rotation(angle, x, y, z).m); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::scaling(x, y, z).m); }

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane) {
    const webgl::Matrix m =
        webgl::frustum(static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
                       static_cast<float>(top), static_cast<float>(near_plane), static_cast<float>(far_plane));
    glMultMatrixf(m.m);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane) {
    const webgl::Matrix m =
        webgl::ortho(static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
                     static_cast<float>(top), static_cast<float>(near_plane), static_cast<float>(far_plane));
    glMultMatrixf(m.m);
}

void glPushAttrib(GLbitfield) { webgl::submit(webgl::make_call(webgl::call_push_attributes)); }
void glPopAttrib() { webgl::submit(webgl::make_call(webgl::call_pop_attributes)); }

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(
        webgl::call_light, light, pname, params,
        pname == GL_POSITION || pname == GL_AMBIENT || pname == GL_DIFFUSE || pname == GL_SPECULAR ? 4 : 1));
}

void glLightf(GLenum light, GLenum pname, GLfloat param) { glLightfv(light, pname, &param); }

void glLightModelfv(GLenum pname, const GLfloat* params) {
    webgl::submit(
        webgl::make_values(webgl::call_light_model, pname, 0, params, pname == GL_LIGHT_MODEL_AMBIENT ? 4 : 1));
}

void glLightModeli(GLenum pname, GLint param) {
    const float v = static_cast<float>(param);
    glLightModelfv(pname, &v);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(webgl::call_material, face, pname, params, pname == GL_SHININESS ? 1 : 4));
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param) { glMaterialfv(face, pname, &param); }

// Only linear fog is drawn, the scene's one mode.
void glFogi(GLenum, GLint) {}

void glFogf(GLenum pname, GLfloat param) { glFogfv(pname, &param); }

void glFogfv(GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(webgl::call_fog, pname, 0, params, pname == GL_FOG_COLOR ? 4 : 1));
}

// Shading is always smooth, the scene's one model.
void glShadeModel(GLenum) {}

void glEnable(GLenum cap) { webgl::submit(webgl::make_call(webgl::call_enable, cap)); }
void glDisable(GLenum cap) { webgl::submit(webgl::make_call(webgl::call_disable, cap)); }

void glPointSize(GLfloat size) { webgl::submit(webgl::make_values(webgl::call_point_size, 0, 0, &size, 1)); }
void glDepthMask(GLboolean flag) { webgl::submit(webgl::make_call(webgl::call_depth_mask, flag)); }

void glBlendFunc(GLenum source, GLenum destination) {
    webgl::submit(webgl::make_call(webgl::call_blend_func, source, destination));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    const float v[4] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)};
    webgl::submit(webgl::make_values(webgl::call_viewport, 0, 0, v, 4));
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    const float v[4] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)};
    webgl::submit(webgl::make_values(webgl::call_scissor, 0, 0, v, 4));
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    const float v[4] = {r, g, b, a};
    webgl::submit(webgl::make_values(webgl::call_clear_colour, 0, 0, v, 4));
}

void glClear(GLbitfield mask) { webgl::submit(webgl::make_call(webgl::call_clear, mask)); }

void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_PACK_ALIGNMENT) webgl::state.pack_alignment = param;
}
