// The Linux host: its own window, XScreenSaver's window or one named by
// number, with a GLX context; the events it reports to the saver run; and
// the run's primitives over X11, GLX and POSIX.
#include "host/x11/saver_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/linux/music_lock_linux.h"
#include "host/linux/stop_signals_posix.h"
#include "host/run/capture.h"
#include "host/run/message_text.h"
#include "host/x11/window_icon.h"

namespace host {

namespace {

// Owned here: the window the run draws into, set before anything is asked
// of it; read by the X error handler.
Window target_window = 0;
// Set by the X error handler when an error names the target window (it
// was destroyed under the run); read by the event handling, which then
// ends the run.
bool target_lost = false;

int on_x_error(Display*, XErrorEvent* error) {
    if (error->resourceid == target_window) target_lost = true;
    return 0;  // not fatal: a window that goes away ends the run, not the process
}

// A monitor the run has reported, known by its RandR name.
struct KnownMonitor {
    Atom name;
    uint32_t id;
    bool seen;  // in the reading under way
};

// The run's display, window and context, alive until shutdown. Owned here:
// written while the window opens and by the event handling (its size, the
// monitors), read by the primitives.
struct SaverWindow {
    Display* display;
    Window window;
    bool own_window;
    Colormap colormap;
    GLXContext context;
    Atom wm_protocols;
    Atom wm_delete_window;
    int32_t width, height;
    int wake_fd;  // the stop signals' pipe, -1 when there is none
    // the root window of a desk of several monitors: a view per RandR
    // monitor, followed as they change
    bool per_monitor;
    int randr_event_base;
    bool outputs_changed;  // a RandR event came: the monitors are read again
    KnownMonitor monitors[max_outputs];
    int32_t monitor_count;
    uint32_t next_id;                   // the id the next new monitor gets
    bool still;                         // --still: the picture is drawn again only when needed
    int32_t still_width, still_height;  // the size the still was last drawn at; 0: draw it
};
SaverWindow saver = {};

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
    const int wanted[] = {GLX_X_RENDERABLE,
                          True,
                          GLX_DRAWABLE_TYPE,
                          GLX_WINDOW_BIT,
                          GLX_RENDER_TYPE,
                          GLX_RGBA_BIT,
                          GLX_DOUBLEBUFFER,
                          True,
                          GLX_RED_SIZE,
                          8,
                          GLX_GREEN_SIZE,
                          8,
                          GLX_BLUE_SIZE,
                          8,
                          GLX_DEPTH_SIZE,
                          24,
                          None};
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
Window create_own_window(SaverWindow* saver_window, GLXFBConfig config) {
    Display* display = saver_window->display;
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    if (!visual) return 0;
    const Window root = RootWindow(display, visual->screen);
    saver_window->colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes = {};
    attributes.colormap = saver_window->colormap;
    attributes.background_pixel = BlackPixel(display, visual->screen);
    attributes.event_mask = KeyPressMask | StructureNotifyMask | (saver_window->still ? ExposureMask : 0);
    const Window window = XCreateWindow(display, root, 60, 40, 1280, 720, 0, visual->depth, InputOutput, visual->visual,
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
    XSetWMProtocols(display, window, &saver_window->wm_delete_window, 1);

    enum { icon_values = 4 * 64 * 64 + 8 };  // room for the 64, 48, 32 and 16 pixel images
    static uint32_t icon[icon_values];
    static unsigned long icon_property[icon_values];  // format 32 travels as long
    const size_t values = net_wm_icon_from_ico(icon_file, icon_file_size, icon, icon_values);
    for (size_t i = 0; i < values; ++i) icon_property[i] = icon[i];
    if (values) {
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(icon_property), static_cast<int>(values));
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

// The primitives.

// The monotonic clock, in nanoseconds.
int64_t clock_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The rate of the screen's current mode, as the X server's RandR extension
// reports it, in millihertz; 0 where it does not.
int32_t screen_refresh_mhz() {
    int event_base, error_base;
    if (!XRRQueryExtension(saver.display, &event_base, &error_base)) return 0;
    XRRScreenConfiguration* screen = XRRGetScreenInfo(saver.display, DefaultRootWindow(saver.display));
    if (!screen) return 0;
    const int32_t rate = XRRConfigCurrentRate(screen);
    XRRFreeScreenConfigInfo(screen);
    return rate * 1000;
}

// The refresh rate of the mode that a RandR output shows, in millihertz;
// 0 where it shows none.
int32_t output_refresh_mhz(XRRScreenResources* resources, RROutput output) {
    int32_t mhz = 0;
    XRROutputInfo* info = XRRGetOutputInfo(saver.display, resources, output);
    XRRCrtcInfo* crtc = info && info->crtc ? XRRGetCrtcInfo(saver.display, resources, info->crtc) : nullptr;
    for (int i = 0; crtc && i < resources->nmode; ++i) {
        const XRRModeInfo& mode = resources->modes[i];
        const double dots = static_cast<double>(mode.hTotal) * mode.vTotal;
        if (mode.id == crtc->mode && dots > 0) mhz = static_cast<int32_t>(mode.dotClock / dots * 1000.0 + 0.5);
    }
    if (crtc) XRRFreeCrtcInfo(crtc);
    if (info) XRRFreeOutputInfo(info);
    return mhz;
}

// The outputs: on a desk of monitors, every RandR monitor as it stands now
// (new ones get new ids, those no longer there end); otherwise the window,
// filled whole (XScreenSaver gives each monitor a window of its own).
void report_outputs() {
    saver.outputs_changed = false;
    int count = 0;
    XRRMonitorInfo* monitors = saver.per_monitor ? XRRGetMonitors(saver.display, saver.window, True, &count) : nullptr;
    if (!monitors) {
        run_output_changed(Output{1, 0, false, 0, 0, saver.width, saver.height, unit_scale, screen_refresh_mhz()});
        return;
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(saver.display, saver.window);
    for (int32_t i = 0; i < saver.monitor_count; ++i) saver.monitors[i].seen = false;
    for (int m = 0; m < count; ++m) {
        const XRRMonitorInfo& monitor = monitors[m];
        KnownMonitor* known = nullptr;
        for (int32_t i = 0; i < saver.monitor_count && !known; ++i) {
            if (saver.monitors[i].name == monitor.name) known = &saver.monitors[i];
        }
        if (!known) {
            if (saver.monitor_count == max_outputs) continue;  // monitors past the eighth are left out
            known = &saver.monitors[saver.monitor_count++];
            known->name = monitor.name;
            known->id = ++saver.next_id;
        }
        known->seen = true;
        const int32_t mhz = resources && monitor.noutput > 0 ? output_refresh_mhz(resources, monitor.outputs[0]) : 0;
        run_output_changed(Output{known->id, 0, true, monitor.x, monitor.y, monitor.width, monitor.height, unit_scale,
                                  mhz ? mhz : screen_refresh_mhz()});
    }
    if (resources) XRRFreeScreenResources(resources);
    XRRFreeMonitors(monitors);
    int32_t kept = 0;
    for (int32_t i = 0; i < saver.monitor_count; ++i) {
        if (saver.monitors[i].seen) {
            saver.monitors[kept++] = saver.monitors[i];
        } else {
            run_output_removed(saver.monitors[i].id);
        }
    }
    saver.monitor_count = kept;
}

// Handles the queued events without waiting: Escape and the close button
// (own window), the window's new size, its destruction, a change of the
// monitors, a stop signal.
void handle_events() {
    while (XPending(saver.display)) {
        XEvent event;
        XNextEvent(saver.display, &event);
        if (saver.per_monitor && event.type >= saver.randr_event_base &&
            event.type <= saver.randr_event_base + RRNotify) {
            // the screen's size and the monitors, read again below
            XRRUpdateConfiguration(&event);
            saver.outputs_changed = true;
            continue;
        }
        switch (event.type) {
            case KeyPress:
                run_input(XLookupKeysym(&event.xkey, 0) == XK_Escape ? RunInput::escape_key : RunInput::other_key);
                break;
            case ClientMessage:
                if (event.xclient.message_type == saver.wm_protocols &&
                    static_cast<Atom>(event.xclient.data.l[0]) == saver.wm_delete_window)
                    run_input(RunInput::close);
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == saver.window) {
                    saver.width = event.xconfigure.width;
                    saver.height = event.xconfigure.height;
                    if (saver.per_monitor) saver.outputs_changed = true;
                }
                break;
            case Expose:
                saver.still_width = saver.still_height = 0;  // uncovered: the still again
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == saver.window) target_lost = true;
                break;
            default:
                break;
        }
    }
    if (saver.outputs_changed) report_outputs();
    if (target_lost || stop_requested()) run_input(RunInput::close);
}

// Waits in poll() on the X connection and the stop signals' pipe, so that
// input, the window's end and a signal end the wait at once.
void wait_for_events(int64_t deadline) {
    const int64_t left = deadline - clock_ns();
    if (left <= 0) return;
    pollfd fds[2] = {{ConnectionNumber(saver.display), POLLIN, 0}, {saver.wake_fd, POLLIN, 0}};
    const timespec timeout = {static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
    ppoll(fds, saver.wake_fd >= 0 ? 2 : 1, &timeout, nullptr);
}

// The one drawable: the window, the root window at the virtual screen's
// origin.
void begin_drawable(int32_t, DrawableArea* area) { *area = DrawableArea{saver.width, saver.height, 0, saver.height}; }

void swap_buffers(int32_t) {
    glXSwapBuffers(saver.display, saver.window);
    saver.still_width = saver.width;
    saver.still_height = saver.height;
}

// A still is drawn again only at a new size or when uncovered.
bool still_wanted(int32_t) { return saver.width != saver.still_width || saver.height != saver.still_height; }

// The processor time of every thread of the process, the music's too.
double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One swap for every monitor, waiting at most a retrace: always ready, and
// paced by the run where swaps do not wait.
constexpr HostPrimitives x11_primitives = {clock_ns, 1000000000,     handle_events, wait_for_events, report_outputs,
                                           nullptr,  begin_drawable, swap_buffers,  false,           cpu_seconds};
constexpr HostPrimitives x11_still_primitives = {clock_ns,       1000000000,   handle_events,  wait_for_events,
                                                 report_outputs, still_wanted, begin_drawable, swap_buffers,
                                                 false,          cpu_seconds};

// Lets go of the context, the window of its own and the display.
void release() {
    glXMakeCurrent(saver.display, None, nullptr);
    glXDestroyContext(saver.display, saver.context);
    if (saver.own_window && !target_lost) XDestroyWindow(saver.display, saver.window);
    if (saver.colormap) XFreeColormap(saver.display, saver.colormap);
    XCloseDisplay(saver.display);
}

// A start-up failure: one line on standard error, exit code 1.
int refuse(Display* display, const char* why) {
    std::fprintf(stderr, "frostvale: %s\n", why);
    if (display) XCloseDisplay(display);
    return 1;
}

}  // namespace

int saver_run(const HackOptions& options, float seconds, const char* file) {
    // a stop signal during start-up is answered once the frame loop begins
    saver.wake_fd = file ? -1 : install_stop_signals();
    saver.still = options.still && !file;
    const char* display_name = XDisplayName(options.display);
    if (!display_name || !*display_name) return refuse(nullptr, "no X display: set DISPLAY or use --display");
    saver.display = XOpenDisplay(options.display);
    if (!saver.display) {
        std::fprintf(stderr, "frostvale: cannot open the X display %s\n", shown_text(display_name).c_str());
        return 1;
    }
    XSetErrorHandler(on_x_error);
    saver.wm_protocols = XInternAtom(saver.display, "WM_PROTOCOLS", False);
    saver.wm_delete_window = XInternAtom(saver.display, "WM_DELETE_WINDOW", False);

    // a capture draws in a window of its own
    const HackTarget target = file ? HackTarget::own_window : options.target;
    uint64_t window_id = options.window_id;
    GLXFBConfig config = nullptr;
    if (target == HackTarget::own_window) {
        // the screen's own visual where it has one (an alpha channel could
        // make the window see-through under a compositor), else any
        Visual* screen_visual = DefaultVisual(saver.display, DefaultScreen(saver.display));
        config = choose_config(saver.display, XVisualIDFromVisual(screen_visual));
        if (!config) config = choose_config(saver.display, 0);
        if (!config) return refuse(saver.display, "no double-buffered OpenGL configuration");
        saver.window = target_window = create_own_window(&saver, config);
        saver.own_window = true;
        saver.width = 1280;
        saver.height = 720;
    } else {
        const char* named = target == HackTarget::root ? std::getenv("XSCREENSAVER_WINDOW") : nullptr;
        if (named && !*named) named = nullptr;
        if (named && !parse_window_id(named, &window_id)) {
            const std::string why = "XSCREENSAVER_WINDOW=" + shown_text(named) + ": not a window number";
            return refuse(saver.display, why.c_str());
        }
        saver.window = target_window = target == HackTarget::window_id || named ? static_cast<Window>(window_id)
                                                                                : DefaultRootWindow(saver.display);
        // the root window of its own accord: one view per monitor, where
        // RandR tells them apart (1.5: monitors), following their changes
        int error_base, major = 0, minor = 0;
        if (saver.window == DefaultRootWindow(saver.display) &&
            XRRQueryExtension(saver.display, &saver.randr_event_base, &error_base) &&
            XRRQueryVersion(saver.display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
            saver.per_monitor = true;
            XRRSelectInput(saver.display, saver.window,
                           RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        }
        // the size from here on comes with the window's ConfigureNotify
        // events, its end with DestroyNotify
        XSelectInput(saver.display, saver.window, StructureNotifyMask | (saver.still ? ExposureMask : 0));
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(saver.display, saver.window, &attributes) || target_lost)
            return refuse(saver.display, "the window to draw into does not exist");
        saver.width = attributes.width;
        saver.height = attributes.height;
        config = choose_config(saver.display, XVisualIDFromVisual(attributes.visual));
        if (!config) return refuse(saver.display, "no OpenGL configuration for the window's visual");
    }
    if (!saver.window) return refuse(saver.display, "cannot create the window");
    saver.context = glXCreateNewContext(saver.display, config, GLX_RGBA_TYPE, nullptr, True);
    if (!saver.context || !glXMakeCurrent(saver.display, saver.window, saver.context))
        return refuse(saver.display, "cannot make an OpenGL context current");
    wait_for_retrace(saver.display, saver.window);
    if (file) {
        // the capture's size is the window's as it stands
        XWindowAttributes attributes;
        XGetWindowAttributes(saver.display, saver.window, &attributes);
        saver.width = attributes.width;
        saver.height = attributes.height;
    }

    HackOptions chosen = options;
    chosen.target = target;
    RunConfig run = hack_run_config(chosen, saver.width, saver.height,
                                    static_cast<uint32_t>(clock_ns() / 1000000));  // milliseconds, as a tick count
    if (run.music && !take_music_lock(canonical_display(DisplayString(saver.display)))) run.music = false;
    CaptureError error = {};
    const int code = saver.still ? run_still(run, x11_still_primitives, options.still_seconds)
                                 : run_saver(run, x11_primitives, seconds, file, &error);
    if (file && code != 0) std::fprintf(stderr, "frostvale: %s\n", capture_error_message(file, error).c_str());
    release();
    if (!file) remove_stop_signals();
    return code;
}

}  // namespace host
