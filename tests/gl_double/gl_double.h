// A test double of the OpenGL and GLU entry points the asset emitters call:
// each call is recorded, in order, instead of drawn.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace gl_double {

struct Call {
    std::string name;         // the entry point, e.g. "glVertex3f"
    std::vector<float> args;  // its numeric arguments, enums and names as floats
};

// Every call since the last reset, in order.
extern std::vector<Call> calls;

// Pixels handed to gluBuild2DMipmaps, one copy per call.
extern std::vector<std::vector<uint8_t>> uploads;

void reset();

// The calls named name, in order.
std::vector<Call> named(const std::vector<Call>& from, const std::string& name);

// The calls between glNewList(list) and its glEndList, both excluded.
std::vector<Call> list_contents(uint32_t list);

// The primitives (glBegin ... glEnd) in from: mode and the vertices,
// normals and texture coordinates current at each vertex.
struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    float s, t;
};
struct Primitive {
    uint32_t mode;
    std::vector<Vertex> vertices;
};
std::vector<Primitive> primitives(const std::vector<Call>& from);

}  // namespace gl_double
