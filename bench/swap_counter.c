/* Counts the buffer swaps (GLX's, and EGL's for the Wayland host) of the
   program it is preloaded into (LD_PRELOAD) and prints, when the program ends, the swaps, the seconds
   from the first swap to the last and the frames per second between them,
   on standard error: "swaps N seconds S fps F". */
#define _GNU_SOURCE
#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

static long swaps;
static double first, last;

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static void (*swap)(Display*, GLXDrawable);
    if (!swap) swap = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    swap(display, drawable);
    last = now();
    if (swaps++ == 0) first = last;
}

EGLBoolean eglSwapBuffers(EGLDisplay display, EGLSurface surface) {
    static EGLBoolean (*swap)(EGLDisplay, EGLSurface);
    if (!swap) swap = (EGLBoolean(*)(EGLDisplay, EGLSurface))dlsym(RTLD_NEXT, "eglSwapBuffers");
    const EGLBoolean swapped = swap(display, surface);
    last = now();
    if (swaps++ == 0) first = last;
    return swapped;
}

__attribute__((destructor)) static void report(void) {
    if (swaps > 1) {
        fprintf(stderr, "swaps %ld seconds %.2f fps %.1f\n", swaps, last - first, (swaps - 1) / (last - first));
    }
}
