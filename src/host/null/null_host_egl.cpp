// The null host's context natively: EGL with no window, on Mesa's
// surfaceless platform (llvmpipe, or a GPU's driver where Mesa finds
// one), else the default display a GPU vendor's EGL offers; desktop
// OpenGL in its compatibility profile, drawing into a pbuffer. No X
// display is needed.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "host/null/null_host.h"

namespace host {

namespace {

// Owned here: the display, the one context and the pbuffer it draws into.
EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;
EGLConfig config = nullptr;
EGLSurface surface = EGL_NO_SURFACE;

// The first display that initializes: the surfaceless platform, else the
// default one.
EGLDisplay open_display() {
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto get_platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (client && get_platform_display) {
        const EGLDisplay surfaceless =
            get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (surfaceless != EGL_NO_DISPLAY && eglInitialize(surfaceless, nullptr, nullptr)) return surfaceless;
    }
    const EGLDisplay fallback = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (fallback != EGL_NO_DISPLAY && eglInitialize(fallback, nullptr, nullptr)) return fallback;
    return EGL_NO_DISPLAY;
}

// The display, a config like the saver's pixel format (8-bit RGBA, a
// 24-bit depth buffer) and a desktop OpenGL context, made once.
bool open_context() {
    if (context != EGL_NO_CONTEXT) return true;
    if (display == EGL_NO_DISPLAY) display = open_display();
    if (display == EGL_NO_DISPLAY) return false;
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_ALPHA_SIZE,
                             8,
                             EGL_DEPTH_SIZE,
                             24,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &count) || count < 1) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    // no version asked: the compatibility profile, which keeps OpenGL 1.1
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return context != EGL_NO_CONTEXT;
}

}  // namespace

bool open_null_host(int32_t width, int32_t height) {
    if (!open_context()) return false;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    const EGLSurface resized = eglCreatePbufferSurface(display, config, size);
    if (resized == EGL_NO_SURFACE || !eglMakeCurrent(display, resized, resized, context)) {
        if (resized != EGL_NO_SURFACE) eglDestroySurface(display, resized);
        return false;
    }
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    surface = resized;
    null_host_width = width;
    null_host_height = height;
    return true;
}

void close_null_host() {
    if (display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    // the display stays initialized, its driver loaded, for the process's
    // life: a later open takes it again, and what the driver keeps never
    // outlives its library
    context = EGL_NO_CONTEXT;
    surface = EGL_NO_SURFACE;
}

}  // namespace host
