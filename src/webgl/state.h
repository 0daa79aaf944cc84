// The OpenGL 1.1 state the layer keeps for the scene: what glEnable,
// glLight*, glMaterial*, glFog* and the rest have set, which the batching
// (batch.h) turns into each draw's DrawState and DrawRecord for the
// backend. state.cpp owns the one State and the state entry points; they
// act on it at once or, while a list is compiled, are recorded
// (lists.h) to act through the functions below when the list is called.
#pragma once
#include <cstdint>

#include "webgl/matrix.h"

namespace webgl {

constexpr int32_t light_count = 8;

struct Light {
    bool enabled;
    float position[4];  // eye coordinates: transformed when it was given
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float attenuation[3];  // constant, linear, quadratic
};

// One material for both faces: the scene sets only GL_FRONT_AND_BACK and
// never lights back faces apart.
struct Material {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;
};

// glEnable switches besides the lights
enum : uint32_t {
    switch_lighting = 1u << 0,
    switch_fog = 1u << 1,
    switch_depth_test = 1u << 2,
    switch_texture = 1u << 3,
    switch_blend = 1u << 4,
    switch_scissor = 1u << 5,
    switch_normalize = 1u << 6,
};

struct State {
    MatrixStack modelview;
    MatrixStack projection;
    uint32_t matrix_mode;  // GL_MODELVIEW or GL_PROJECTION
    // current vertex attributes
    float normal[3];
    float colour[4];
    float texcoord[2];
    uint32_t switches;
    Light lights[light_count];
    float light_model_ambient[4];
    bool local_viewer;
    Material material;
    float fog_start, fog_end;  // linear fog, the only mode drawn
    float fog_colour[4];
    float point_size;
    bool depth_mask;
    uint32_t blend_source, blend_destination;
    uint32_t texture;  // bound GL_TEXTURE_2D name, 0 for none
    int32_t viewport[4];
    int32_t scissor[4];
    float clear_colour[4];
    int32_t pack_alignment;
};

// Owned by state.cpp: written by the entry points and by display-list
// playback, read by the batching, the textures' entry points and the tests.
extern State state;

// OpenGL's initial state, with the viewport and scissor box given the
// drawing buffer's size; the attribute stack emptied.
void reset_state(State* state, int32_t width, int32_t height);

// What the recorded state calls do to state when they act: glEnable or
// glDisable of cap (on), glLightfv, glMaterialfv (the back face alone
// changes nothing), glPushAttrib and glPopAttrib (every group but the
// matrices, 16 levels; calls beyond them are ignored).
void set_enabled(uint32_t cap, bool on);
void set_light(uint32_t name, uint32_t pname, const float* v);
void set_material(uint32_t face, uint32_t pname, const float* v);
void push_attributes();
void pop_attributes();

// The matrix stack glMatrixMode chose.
MatrixStack* current_stack();

}  // namespace webgl
