// The OpenGL 1.1 and GLU headers, without <windows.h>: on Windows the three
// macros the headers need are given here, so portable code stays free of
// the platform header. The browser build (and the tests that hold the
// renderer to it natively, with FROSTVALE_GL_LAYER) draws through the
// project's own layer over WebGL2 instead.
#pragma once
#if defined(__EMSCRIPTEN__) || defined(FROSTVALE_GL_LAYER)
#include "webgl/gl11.h"
#else
#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif
#endif
