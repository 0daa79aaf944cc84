// The Linux saver run: its own window, XScreenSaver's window or one named
// by number, with a GLX context; the scene's start-up; the frame loop with
// its exit rules; shutdown; and the capture's window side.
#include "host/x11/saver_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/run/capture.h"
#include "host/run/saver_gl.h"
#include "host/run/saver_rules.h"
#include "host/x11/stop_signals_posix.h"
#include "host/x11/window_icon.h"
#include "music/music.h"
#include "scene/scene.h"
#include "shared/run_mode.h"

namespace host {

namespace {

// Owned here: the window the run draws into, set before anything is asked
// of it; read by the X error handler.
Window target_window = 0;
// Set by the X error handler when an error names the target window (it
// was destroyed under the run); read by the frame loop, which then ends.
bool target_lost = false;

int on_x_error(Display*, XErrorEvent* error) {
    if (error->resourceid == target_window) target_lost = true;
    return 0;  // not fatal: a window that goes away ends the run, not the process
}

// The run's display, window and context, alive until shutdown.
struct SaverRun {
    Display* display;
    Window window;
    bool own_window;
    Colormap colormap;
    GLXContext context;
    Atom wm_protocols;
    Atom wm_delete_window;
    int32_t width, height;
    bool quit;  // Escape, the close button or the window's end
};

// The monotonic clock, in nanoseconds.
int64_t now_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double seconds_of(int64_t ns) { return static_cast<double>(ns) * 1e-9; }

// Whether the space-separated list (null counts as empty) holds word.
bool has_word(const char* list, const char* word) {
    const size_t length = std::strlen(word);
    for (const char* at = list ? std::strstr(list, word) : nullptr; at; at = std::strstr(at + 1, word)) {
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    }
    return false;
}

// A frame-buffer configuration for windows of the visual visual_id (any
// visual when 0): double-buffered RGBA with 8 bits a channel and a 24-bit
// depth buffer, as the Windows pixel format asks; for a given visual that
// has none, any RGBA window configuration of it. Null when there is none.
GLXFBConfig choose_config(Display* display, VisualID visual_id) {
    const int wanted[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE,
                          GLX_RGBA_BIT, GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                          GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 24, None};
    const int any_window[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    const int* const attribute_sets[] = {wanted, any_window};
    for (const int* attributes : attribute_sets) {
        int count = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
        GLXFBConfig found = nullptr;
        for (int i = 0; i < count && !found; ++i) {
            int id = 0;
            glXGetFBConfigAttrib(display, configs[i], GLX_VISUAL_ID, &id);
            if (id != 0 && (visual_id == 0 || static_cast<VisualID>(id) == visual_id)) found = configs[i];
        }
        if (configs) XFree(configs);
        if (found || visual_id == 0) return found;
    }
    return nullptr;
}

// The window of its own: 1280 x 720, titled, with the program's icon and
// the close button reported to the run.
Window create_own_window(SaverRun* run, GLXFBConfig config) {
    Display* display = run->display;
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    if (!visual) return 0;
    const Window root = RootWindow(display, visual->screen);
    run->colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes = {};
    attributes.colormap = run->colormap;
    attributes.background_pixel = BlackPixel(display, visual->screen);
    attributes.event_mask = KeyPressMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(display, root, 60, 40, 1280, 720, 0, visual->depth, InputOutput, visual->visual,
                      CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XFree(visual);

    const char title[] = "Frostvale 2026";
    XStoreName(display, window, title);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), sizeof title - 1);
    char name[] = "frostvale", class_name[] = "Frostvale";
    XClassHint class_hint = {name, class_name};
    XSetClassHint(display, window, &class_hint);
    XSetWMProtocols(display, window, &run->wm_delete_window, 1);

    enum { icon_values = 4 * 64 * 64 + 8 };  // room for the 64, 48, 32 and 16 pixel images
    static uint32_t icon[icon_values];
    static unsigned long icon_property[icon_values];  // format 32 travels as long
    const size_t values = net_wm_icon_from_ico(icon_file, icon_file_size, icon, icon_values);
    for (size_t i = 0; i < values; ++i) icon_property[i] = icon[i];
    if (values) {
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(icon_property),
                        static_cast<int>(values));
    }
    XMapWindow(display, window);
    return window;
}

// Swap interval 1 (one retrace per buffer swap) where the server offers it.
void wait_for_retrace(Display* display, Window window) {
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (has_word(extensions, "GLX_EXT_swap_control")) {
        const auto swap_interval = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swap_interval) swap_interval(display, window, 1);
    } else if (has_word(extensions, "GLX_MESA_swap_control")) {
        const auto swap_interval = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swap_interval) swap_interval(1);
    }
}

// Handles the queued events without waiting: Escape and the close button
// (own window), the window's new size, its destruction.
void handle_events(SaverRun* run) {
    while (XPending(run->display)) {
        XEvent event;
        XNextEvent(run->display, &event);
        switch (event.type) {
            case KeyPress:
                if (run->own_window && XLookupKeysym(&event.xkey, 0) == XK_Escape) run->quit = true;
                break;
            case ClientMessage:
                if (event.xclient.message_type == run->wm_protocols &&
                    static_cast<Atom>(event.xclient.data.l[0]) == run->wm_delete_window)
                    run->quit = true;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == run->window) {
                    run->width = event.xconfigure.width;
                    run->height = event.xconfigure.height;
                }
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == run->window) target_lost = true;
                break;
            default:
                break;
        }
    }
    if (target_lost) run->quit = true;
}

// Handles events until deadline_ns, waiting in poll() on the X connection
// and the stop signals' pipe so that input, the window's end and a signal
// end the wait at once. Never spins.
void wait_until(SaverRun* run, int wake_fd, int64_t deadline_ns) {
    for (;;) {
        handle_events(run);
        if (run->quit || stop_requested()) return;
        const int64_t left = deadline_ns - now_ns();
        if (left <= 0) return;
        pollfd fds[2] = {{ConnectionNumber(run->display), POLLIN, 0}, {wake_fd, POLLIN, 0}};
        const timespec timeout = {static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        ppoll(fds, wake_fd >= 0 ? 2 : 1, &timeout, nullptr);
    }
}

// Steps, draws, swaps and waits until Escape, the close button, a stop
// signal or the window's end.
void frame_loop(SaverRun* run, int wake_fd) {
    const bool preview = shared::run_mode == shared::mode_preview;
    int64_t last = now_ns();
    SwapPacing pacing = start_swap_pacing(0, seconds_of(last));
    for (;;) {
        handle_events(run);
        if (run->quit || stop_requested()) break;
        const int64_t now = now_ns();
        scene::step_live_scene(frame_time_step(now - last, 1000000000));
        last = now;
        draw_frame(false, nullptr, 0, 0, 0, run->width, run->height);
        glXSwapBuffers(run->display, run->window);
        // the preview sleeps 30 ms a frame; elsewhere the swap waits, or the pacing does
        const int64_t after_swap = now_ns();
        const double wait = preview ? 0.030 : pace_after_swap(&pacing, seconds_of(after_swap));
        wait_until(run, wake_fd, after_swap + static_cast<int64_t>(wait * 1e9));
    }
}

// Lets go of the context, the window of its own and the display.
void release(SaverRun* run) {
    glXMakeCurrent(run->display, None, nullptr);
    glXDestroyContext(run->display, run->context);
    if (run->own_window && !target_lost) XDestroyWindow(run->display, run->window);
    if (run->colormap) XFreeColormap(run->display, run->colormap);
    XCloseDisplay(run->display);
}

// A start-up failure: one line on standard error, exit code 1.
int refuse(Display* display, const char* why) {
    std::fprintf(stderr, "frostvale: %s\n", why);
    if (display) XCloseDisplay(display);
    return 1;
}

}  // namespace

int saver_run(HackTarget target, uint64_t window_id, float seconds, const char* file) {
    // a stop signal during start-up is answered once the frame loop begins
    const int wake_fd = file ? -1 : install_stop_signals();
    SaverRun run = {};
    run.display = XOpenDisplay(nullptr);
    if (!run.display) return refuse(nullptr, "cannot open the X display");
    XSetErrorHandler(on_x_error);
    run.wm_protocols = XInternAtom(run.display, "WM_PROTOCOLS", False);
    run.wm_delete_window = XInternAtom(run.display, "WM_DELETE_WINDOW", False);

    if (file) target = HackTarget::own_window;  // a capture draws in a window of its own
    GLXFBConfig config = nullptr;
    if (target == HackTarget::own_window) {
        // the screen's own visual where it has one (an alpha channel could
        // make the window see-through under a compositor), else any
        Visual* screen_visual = DefaultVisual(run.display, DefaultScreen(run.display));
        config = choose_config(run.display, XVisualIDFromVisual(screen_visual));
        if (!config) config = choose_config(run.display, 0);
        if (!config) return refuse(run.display, "no double-buffered OpenGL configuration");
        run.window = target_window = create_own_window(&run, config);
        run.own_window = true;
        run.width = 1280;
        run.height = 720;
    } else {
        const char* named = target == HackTarget::root ? std::getenv("XSCREENSAVER_WINDOW") : nullptr;
        if (named && !parse_window_id(named, &window_id)) named = nullptr;
        run.window = target_window = target == HackTarget::window_id || named
                                         ? static_cast<Window>(window_id)
                                         : DefaultRootWindow(run.display);
        // the size from here on comes with the window's ConfigureNotify
        // events, its end with DestroyNotify
        XSelectInput(run.display, run.window, StructureNotifyMask);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(run.display, run.window, &attributes) || target_lost)
            return refuse(run.display, "the window to draw into does not exist");
        run.width = attributes.width;
        run.height = attributes.height;
        config = choose_config(run.display, XVisualIDFromVisual(attributes.visual));
        if (!config) return refuse(run.display, "no OpenGL configuration for the window's visual");
    }
    if (!run.window) return refuse(run.display, "cannot create the window");
    run.context = glXCreateNewContext(run.display, config, GLX_RGBA_TYPE, nullptr, True);
    if (!run.context || !glXMakeCurrent(run.display, run.window, run.context))
        return refuse(run.display, "cannot make an OpenGL context current");
    wait_for_retrace(run.display, run.window);

    shared::run_mode = hack_run_mode(file != nullptr, run.width, run.height);
    build_scene(static_cast<uint32_t>(now_ns() / 1000000));  // milliseconds, as a tick count

    if (file) {
        XWindowAttributes attributes;
        XGetWindowAttributes(run.display, run.window, &attributes);
        const bool written = capture_frame(seconds, attributes.width, attributes.height, file);
        release(&run);
        return written ? 0 : 1;
    }
    frame_loop(&run, wake_fd);
    music::stop_music();
    release(&run);
    remove_stop_signals();
    return 0;
}

}  // namespace host
