// The OpenGL 1.1 and GLU entry points the renderer, the asset builders and
// the run's frame-rate corner call, for the browser build: shared/gl.h takes this header instead of the
// system's <GL/gl.h> there. Each entry point is a function of this layer
// (namespace webgl), drawn through WebGL2 by backend_web.cpp; the macros
// below give them their OpenGL names, so the calling code compiles
// unchanged, while WebGL's own glEnable, glClear... stay free for the
// backend.
#pragma once
#include <cstdint>

typedef uint32_t GLenum;
typedef uint32_t GLbitfield;
typedef uint32_t GLuint;
typedef int32_t GLint;
typedef int32_t GLsizei;
typedef uint8_t GLboolean;
typedef uint8_t GLubyte;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef void GLvoid;

#define GL_FALSE 0
#define GL_TRUE 1

#define GL_POINTS 0x0000
#define GL_LINES 0x0001
#define GL_LINE_LOOP 0x0002
#define GL_LINE_STRIP 0x0003
#define GL_TRIANGLES 0x0004
#define GL_TRIANGLE_STRIP 0x0005
#define GL_TRIANGLE_FAN 0x0006
#define GL_QUADS 0x0007
#define GL_QUAD_STRIP 0x0008
#define GL_POLYGON 0x0009

#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000

#define GL_ZERO 0
#define GL_ONE 1
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303

#define GL_ALL_ATTRIB_BITS 0x000FFFFF

#define GL_FRONT 0x0404
#define GL_BACK 0x0405
#define GL_FRONT_AND_BACK 0x0408

#define GL_CULL_FACE 0x0B44
#define GL_LIGHTING 0x0B50
#define GL_LIGHT_MODEL_LOCAL_VIEWER 0x0B51
#define GL_LIGHT_MODEL_AMBIENT 0x0B53
#define GL_FOG 0x0B60
#define GL_FOG_START 0x0B63
#define GL_FOG_END 0x0B64
#define GL_FOG_MODE 0x0B65
#define GL_FOG_COLOR 0x0B66
#define GL_DEPTH_TEST 0x0B71
#define GL_NORMALIZE 0x0BA1
#define GL_ALPHA_TEST 0x0BC0
#define GL_BLEND 0x0BE2
#define GL_SCISSOR_TEST 0x0C11
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_PACK_ALIGNMENT 0x0D05
#define GL_TEXTURE_2D 0x0DE1

#define GL_UNSIGNED_BYTE 0x1401
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_BGR_EXT 0x80E0

#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_CONSTANT_ATTENUATION 0x1207
#define GL_LINEAR_ATTENUATION 0x1208
#define GL_QUADRATIC_ATTENUATION 0x1209
#define GL_COMPILE 0x1300
#define GL_EMISSION 0x1600
#define GL_SHININESS 0x1601
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01

#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_NEAREST_MIPMAP_LINEAR 0x2702
#define GL_LINEAR_MIPMAP_LINEAR 0x2703
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_REPEAT 0x2901

#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007

namespace webgl {

// Immediate mode: the current normal, colour and texture coordinate apply
// to every following vertex.
void glBegin(GLenum mode);
void glEnd();
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glVertex2i(GLint x, GLint y);
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glColor3f(GLfloat r, GLfloat g, GLfloat b);
void glTexCoord2f(GLfloat s, GLfloat t);

// Display lists (GL_COMPILE only).
GLuint glGenLists(GLsizei range);
void glNewList(GLuint list, GLenum mode);
void glEndList();
void glCallList(GLuint list);

// Matrices.
void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glPushMatrix();
void glPopMatrix();
void glMultMatrixf(const GLfloat* m);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glScalef(GLfloat x, GLfloat y, GLfloat z);
void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane);
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane);

// The attribute stack: every group is kept whatever the mask (all but the
// matrices, which have stacks of their own).
void glPushAttrib(GLbitfield mask);
void glPopAttrib();

// Lights, materials, fog.
void glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void glLightf(GLenum light, GLenum pname, GLfloat param);
void glLightModelfv(GLenum pname, const GLfloat* params);
void glLightModeli(GLenum pname, GLint param);
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void glMaterialf(GLenum face, GLenum pname, GLfloat param);
void glFogi(GLenum pname, GLint param);
void glFogf(GLenum pname, GLfloat param);
void glFogfv(GLenum pname, const GLfloat* params);
void glShadeModel(GLenum mode);

// Switches, raster state, frame buffer. Switches the scene never turns on
// (GL_CULL_FACE, GL_ALPHA_TEST) are accepted and stay off.
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glPointSize(GLfloat size);
void glDepthMask(GLboolean flag);
void glBlendFunc(GLenum source, GLenum destination);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void glClear(GLbitfield mask);
void glFinish();
void glPixelStorei(GLenum pname, GLint param);
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);

// Textures.
void glGenTextures(GLsizei n, GLuint* names);
void glBindTexture(GLenum target, GLuint name);
void glTexParameteri(GLenum target, GLenum pname, GLint param);
GLint gluBuild2DMipmaps(GLenum target, GLint internal_format, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        const void* pixels);

}  // namespace webgl

#define glBegin webgl::glBegin
#define glEnd webgl::glEnd
#define glVertex3f webgl::glVertex3f
#define glVertex2i webgl::glVertex2i
#define glNormal3f webgl::glNormal3f
#define glColor3f webgl::glColor3f
#define glTexCoord2f webgl::glTexCoord2f
#define glGenLists webgl::glGenLists
#define glNewList webgl::glNewList
#define glEndList webgl::glEndList
#define glCallList webgl::glCallList
#define glMatrixMode webgl::glMatrixMode
#define glLoadIdentity webgl::glLoadIdentity
#define glPushMatrix webgl::glPushMatrix
#define glPopMatrix webgl::glPopMatrix
#define glMultMatrixf webgl::glMultMatrixf
#define glTranslatef webgl::glTranslatef
#define glRotatef webgl::glRotatef
#define glScalef webgl::glScalef
#define glFrustum webgl::glFrustum
#define glOrtho webgl::glOrtho
#define glPushAttrib webgl::glPushAttrib
#define glPopAttrib webgl::glPopAttrib
#define glLightfv webgl::glLightfv
#define glLightf webgl::glLightf
#define glLightModelfv webgl::glLightModelfv
#define glLightModeli webgl::glLightModeli
#define glMaterialfv webgl::glMaterialfv
#define glMaterialf webgl::glMaterialf
#define glFogi webgl::glFogi
#define glFogf webgl::glFogf
#define glFogfv webgl::glFogfv
#define glShadeModel webgl::glShadeModel
#define glEnable webgl::glEnable
#define glDisable webgl::glDisable
#define glPointSize webgl::glPointSize
#define glDepthMask webgl::glDepthMask
#define glBlendFunc webgl::glBlendFunc
#define glViewport webgl::glViewport
#define glScissor webgl::glScissor
#define glClearColor webgl::glClearColor
#define glClear webgl::glClear
#define glFinish webgl::glFinish
#define glPixelStorei webgl::glPixelStorei
#define glReadPixels webgl::glReadPixels
#define glGenTextures webgl::glGenTextures
#define glBindTexture webgl::glBindTexture
#define glTexParameteri webgl::glTexParameteri
#define gluBuild2DMipmaps webgl::gluBuild2DMipmaps
