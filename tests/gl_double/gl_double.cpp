#include "gl_double.h"

#include <cstring>

#include "shared/gl.h"

namespace gl_double {

std::vector<Call> calls;
std::vector<std::vector<uint8_t>> uploads;

namespace {

uint32_t next_list = 1;
uint32_t next_texture = 1;

void record(const char* name, std::vector<float> args) { calls.push_back({name, std::move(args)}); }

float enum_arg(GLenum e) { return static_cast<float>(e); }

}  // namespace

void reset() {
    calls.clear();
    uploads.clear();
    next_list = 1;
    next_texture = 1;
}

std::vector<Call> named(const std::vector<Call>& from, const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : from)
        if (c.name == name) out.push_back(c);
    return out;
}

std::vector<Call> list_contents(uint32_t list) {
    std::vector<Call> out;
    bool inside = false;
    for (const Call& c : calls) {
        if (c.name == "glNewList" && c.args[0] == static_cast<float>(list)) {
            inside = true;
        } else if (c.name == "glEndList" && inside) {
            return out;
        } else if (inside) {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<Primitive> primitives(const std::vector<Call>& from) {
    std::vector<Primitive> out;
    Vertex current = {0, 0, 0, 0, 0, 1, 0, 0};
    for (const Call& c : from) {
        if (c.name == "glBegin") {
            out.push_back({static_cast<uint32_t>(c.args[0]), {}});
        } else if (c.name == "glNormal3f") {
            current.nx = c.args[0];
            current.ny = c.args[1];
            current.nz = c.args[2];
        } else if (c.name == "glTexCoord2f") {
            current.s = c.args[0];
            current.t = c.args[1];
        } else if (c.name == "glVertex3f") {
            current.x = c.args[0];
            current.y = c.args[1];
            current.z = c.args[2];
            out.back().vertices.push_back(current);
        }
    }
    return out;
}

}  // namespace gl_double

using gl_double::enum_arg;
using gl_double::record;

extern "C" {

void GLAPIENTRY glBegin(GLenum mode) { record("glBegin", {enum_arg(mode)}); }
void GLAPIENTRY glEnd() { record("glEnd", {}); }
void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) { record("glNormal3f", {x, y, z}); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {x, y, z}); }
void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); }
void GLAPIENTRY glPushMatrix() { record("glPushMatrix", {}); }
void GLAPIENTRY glPopMatrix() { record("glPopMatrix", {}); }
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", {x, y, z}); }
void GLAPIENTRY glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { record("glRotatef", {a, x, y, z}); }
void GLAPIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat* v) {
    record("glMaterialfv", {enum_arg(face), enum_arg(pname), v[0], v[1], v[2], v[3]});
}
void GLAPIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat v) {
    record("glMaterialf", {enum_arg(face), enum_arg(pname), v});
}
void GLAPIENTRY glEnable(GLenum cap) { record("glEnable", {enum_arg(cap)}); }
void GLAPIENTRY glDisable(GLenum cap) { record("glDisable", {enum_arg(cap)}); }
void GLAPIENTRY glBindTexture(GLenum target, GLuint name) {
    record("glBindTexture", {enum_arg(target), static_cast<float>(name)});
}
GLuint GLAPIENTRY glGenLists(GLsizei range) {
    const GLuint name = gl_double::next_list;
    gl_double::next_list += static_cast<GLuint>(range);
    record("glGenLists", {static_cast<float>(range), static_cast<float>(name)});
    return name;
}
void GLAPIENTRY glNewList(GLuint list, GLenum mode) { record("glNewList", {static_cast<float>(list), enum_arg(mode)}); }
void GLAPIENTRY glEndList() { record("glEndList", {}); }
void GLAPIENTRY glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gl_double::next_texture++;
    record("glGenTextures", {static_cast<float>(n), static_cast<float>(names[0])});
}
void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint value) {
    record("glTexParameteri", {enum_arg(target), enum_arg(pname), static_cast<float>(value)});
}
GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint internal_format, GLsizei width, GLsizei height, GLenum format,
                                   GLenum type, const void* data) {
    record("gluBuild2DMipmaps", {enum_arg(target), static_cast<float>(internal_format), static_cast<float>(width),
                                 static_cast<float>(height), enum_arg(format), enum_arg(type)});
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    gl_double::uploads.emplace_back(bytes, bytes + static_cast<size_t>(width) * height * 4);
    return 0;
}

}  // extern "C"
