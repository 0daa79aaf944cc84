// The Wayland host: one surface per output (a layer surface on the
// background or overlay layer, or a full-screen xdg toplevel where the
// compositor has no layer-shell), or one xdg toplevel of its own; EGL with
// desktop OpenGL on a wl_egl_window per surface, one context for all; the
// primitives the saver run needs and the events it reports to it.
#include "host/wayland/saver_wayland.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <fractional-scale-v1-client-protocol.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <viewporter-client-protocol.h>
#include <wayland-client.h>
#include <wayland-egl.h>
#include <wlr-layer-shell-unstable-v1-client-protocol.h>
#include <xdg-shell-client-protocol.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/linux/music_lock_linux.h"
#include "host/linux/stop_signals_posix.h"
#include "host/run/message_text.h"

namespace host {

namespace {

// evdev's code of the Escape key, as wl_keyboard.key gives it, until the
// keyboard's keymap says otherwise
constexpr uint32_t evdev_escape = 1;
// XKB numbers keys 8 above their evdev codes
constexpr uint32_t xkb_keycode_offset = 8;

// One surface the run draws: an output's (background, overlay) or the
// window's. Its size arrives with the compositor's configure.
struct Surface {
    wl_surface* surface;
    zwlr_layer_surface_v1* layer_surface;
    xdg_surface* shell_surface;
    xdg_toplevel* toplevel;
    wp_viewport* viewport;
    wp_fractional_scale_v1* fractional_scale;
    int32_t preferred_scale_120;  // the compositor's fractional scale x 120; 0: none said
    int32_t width, height;        // surface-local, as last configured; 0 until then
    bool configured;
    wl_egl_window* egl_window;
    EGLSurface egl_surface;
    int32_t buffer_width, buffer_height;  // pixels of the buffer now committed
    int32_t buffer_scale;                 // the integer scale committed with it
    wl_callback* frame_callback;          // pending: the compositor has not asked for the next frame
    bool still_drawn;                     // the still stands at the current size and scale
};

// One wl_output with its surface (background, overlay). The registry's
// name is its id for as long as it lives; its place in the table is the
// number of its drawable. Outputs past max_outputs are left out.
struct WaylandOutput {
    bool live;
    uint32_t id;
    wl_output* output;
    int32_t scale;        // wl_output.scale
    int32_t refresh_mhz;  // the current mode's rate
    bool described;       // its first done has come
    bool reported;        // the run knows it
    Surface view;
};

// The window's id as an output (registry names start at 1).
constexpr uint32_t window_output_id = 0;

// Owned here: the connection, its globals, the outputs and the window,
// written by the listeners and the start-up, read by the primitives.
struct WaylandHost {
    HackTarget target;
    bool still;
    wl_display* display;
    wl_registry* registry;
    wl_compositor* compositor;
    zwlr_layer_shell_v1* layer_shell;
    xdg_wm_base* wm_base;
    wp_viewporter* viewporter;
    wp_fractional_scale_manager_v1* fractional_manager;
    wl_seat* seat;
    wl_keyboard* keyboard;
    wl_pointer* pointer;
    WaylandOutput outputs[max_outputs];
    Surface window;  // the window of its own (HackTarget::own_window)
    bool window_reported;
    int32_t window_refresh_mhz;
    // what the run must hear at the next handle_events: outputs whose size
    // or scale changed, and outputs gone
    bool outputs_changed;
    uint32_t removed_ids[max_outputs];
    int32_t removed_count;
    int32_t window_scale;
    bool window_closed;
    EGLDisplay egl_display;
    EGLConfig egl_config;
    EGLContext egl_context;
    Surface* current;      // the surface current for drawing, null when none is
    uint32_t escape_code;  // the key code of Escape in the keyboard's keymap
    int wake_fd;           // the stop signals' pipe, -1 when there is none
    bool lost;             // the connection failed: the compositor is gone
    bool started;          // the first surfaces are made: outputs that come later get theirs at once
};
WaylandHost wl = {};

int64_t clock_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The scale a surface's picture is drawn at, x 120: the fractional one where
// the compositor says it and the viewporter can map the buffer, else the
// output's integer scale.
int32_t scale_120(const Surface& s, int32_t integer_scale) {
    if (s.preferred_scale_120 > 0 && s.viewport) return s.preferred_scale_120;
    return 120 * (integer_scale > 0 ? integer_scale : 1);
}

int32_t integer_scale_of(const Surface& s) {
    if (&s == &wl.window) return wl.window_scale;
    for (const WaylandOutput& o : wl.outputs) {
        if (&o.view == &s) return o.scale;
    }
    return 1;
}

// The buffer size that covers the surface at its real pixels; with the
// viewporter the buffer maps onto the surface's size whatever its own.
void buffer_size(const Surface& s, int32_t* width, int32_t* height, int32_t* buffer_scale) {
    const int32_t integer_scale = integer_scale_of(s) > 0 ? integer_scale_of(s) : 1;
    const int32_t scale = scale_120(s, integer_scale);
    if (scale % 120 == 0 && !(s.preferred_scale_120 > 0 && s.viewport)) {
        *buffer_scale = scale / 120;
        *width = s.width * *buffer_scale;
        *height = s.height * *buffer_scale;
        return;
    }
    *buffer_scale = 1;
    // the protocol's rounding: half away from zero
    *width = static_cast<int32_t>((static_cast<int64_t>(s.width) * scale + 60) / 120);
    *height = static_cast<int32_t>((static_cast<int64_t>(s.height) * scale + 60) / 120);
}

// Makes (or resizes) the surface's wl_egl_window and EGL surface for its
// configured size and scale; the size takes effect with the next swap.
bool fit_buffer(Surface* s) {
    int32_t width, height, buffer_scale;
    buffer_size(*s, &width, &height, &buffer_scale);
    if (width <= 0 || height <= 0) return false;
    if (!s->egl_window) {
        s->egl_window = wl_egl_window_create(s->surface, width, height);
        if (!s->egl_window) return false;
        s->egl_surface = eglCreateWindowSurface(wl.egl_display, wl.egl_config,
                                                reinterpret_cast<EGLNativeWindowType>(s->egl_window), nullptr);
        if (s->egl_surface == EGL_NO_SURFACE) return false;
        // the frame callbacks pace the frames, and a swap never waits on
        // one: a hidden output must hold nothing back
        if (eglMakeCurrent(wl.egl_display, s->egl_surface, s->egl_surface, wl.egl_context)) {
            eglSwapInterval(wl.egl_display, 0);
            wl.current = s;
        }
        wl.outputs_changed = true;
    } else if (width != s->buffer_width || height != s->buffer_height) {
        wl_egl_window_resize(s->egl_window, width, height, 0, 0);
    }
    if (width != s->buffer_width || height != s->buffer_height || buffer_scale != s->buffer_scale) {
        s->still_drawn = false;
        wl.outputs_changed = true;
    }
    s->buffer_width = width;
    s->buffer_height = height;
    s->buffer_scale = buffer_scale;
    // a buffer scale is the compositor's from version 3 on
    if (wl_surface_get_version(s->surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) {
        wl_surface_set_buffer_scale(s->surface, buffer_scale);
    }
    if (s->viewport) wp_viewport_set_destination(s->viewport, s->width, s->height);
    return true;
}

void destroy_surface(Surface* s) {
    if (wl.current == s) {
        eglMakeCurrent(wl.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, wl.egl_context);
        wl.current = nullptr;
    }
    if (s->egl_surface) eglDestroySurface(wl.egl_display, s->egl_surface);
    if (s->egl_window) wl_egl_window_destroy(s->egl_window);
    if (s->frame_callback) wl_callback_destroy(s->frame_callback);
    if (s->fractional_scale) wp_fractional_scale_v1_destroy(s->fractional_scale);
    if (s->viewport) wp_viewport_destroy(s->viewport);
    if (s->layer_surface) zwlr_layer_surface_v1_destroy(s->layer_surface);
    if (s->toplevel) xdg_toplevel_destroy(s->toplevel);
    if (s->shell_surface) xdg_surface_destroy(s->shell_surface);
    if (s->surface) wl_surface_destroy(s->surface);
    *s = {};
}

// Listeners. Each takes the Surface or WaylandOutput it was added with.

void on_frame_done(void* data, wl_callback* callback, uint32_t) {
    Surface* s = static_cast<Surface*>(data);
    wl_callback_destroy(callback);
    if (s->frame_callback == callback) s->frame_callback = nullptr;
}
constexpr wl_callback_listener frame_listener = {on_frame_done};

void on_layer_configure(void* data, zwlr_layer_surface_v1* layer_surface, uint32_t serial, uint32_t width,
                        uint32_t height) {
    Surface* s = static_cast<Surface*>(data);
    zwlr_layer_surface_v1_ack_configure(layer_surface, serial);
    s->width = static_cast<int32_t>(width);
    s->height = static_cast<int32_t>(height);
    s->configured = width > 0 && height > 0;
    if (s->configured && wl.egl_context != EGL_NO_CONTEXT) fit_buffer(s);
}

// The output went or the compositor dropped the surface: it is drawn no
// more (the output's own removal lets go of it).
void on_layer_closed(void* data, zwlr_layer_surface_v1*) {
    Surface* s = static_cast<Surface*>(data);
    s->configured = false;
    wl.outputs_changed = true;
}
constexpr zwlr_layer_surface_v1_listener layer_listener = {on_layer_configure, on_layer_closed};

void on_xdg_surface_configure(void* data, xdg_surface* surface, uint32_t serial) {
    Surface* s = static_cast<Surface*>(data);
    xdg_surface_ack_configure(surface, serial);
    if (s->width <= 0 || s->height <= 0) {
        // the compositor leaves the size to the window: its own 1280 x 720
        s->width = 1280;
        s->height = 720;
    }
    s->configured = true;
    if (wl.egl_context != EGL_NO_CONTEXT) fit_buffer(s);
}
constexpr xdg_surface_listener xdg_surface_listener_ = {on_xdg_surface_configure};

void on_toplevel_configure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    Surface* s = static_cast<Surface*>(data);
    if (width > 0 && height > 0) {
        s->width = width;
        s->height = height;
    }
}
void on_toplevel_close(void*, xdg_toplevel*) { wl.window_closed = true; }
void on_toplevel_bounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void on_toplevel_capabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener toplevel_listener = {on_toplevel_configure, on_toplevel_close, on_toplevel_bounds,
                                                     on_toplevel_capabilities};

void on_preferred_scale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    Surface* s = static_cast<Surface*>(data);
    s->preferred_scale_120 = static_cast<int32_t>(scale);
    if (s->configured && wl.egl_context != EGL_NO_CONTEXT) fit_buffer(s);
}
constexpr wp_fractional_scale_v1_listener fractional_listener = {on_preferred_scale};

// The window takes the scale of the output it enters.
void on_surface_enter(void* data, wl_surface*, wl_output* output) {
    Surface* s = static_cast<Surface*>(data);
    if (s != &wl.window) return;
    for (const WaylandOutput& o : wl.outputs) {
        if (!o.live || o.output != output) continue;
        wl.window_refresh_mhz = o.refresh_mhz;
        if (o.scale != wl.window_scale) {
            wl.window_scale = o.scale;
            if (s->configured && wl.egl_context != EGL_NO_CONTEXT) fit_buffer(s);
        }
    }
}
void on_surface_leave(void*, wl_surface*, wl_output*) {}
constexpr wl_surface_listener surface_listener = {on_surface_enter, on_surface_leave};

// A new wl_surface with the viewporter and the fractional scale where the
// compositor has them.
bool make_surface(Surface* s) {
    s->surface = wl_compositor_create_surface(wl.compositor);
    if (!s->surface) return false;
    wl_surface_add_listener(s->surface, &surface_listener, s);
    if (wl.viewporter && wl.fractional_manager) {
        s->viewport = wp_viewporter_get_viewport(wl.viewporter, s->surface);
        s->fractional_scale = wp_fractional_scale_manager_v1_get_fractional_scale(wl.fractional_manager, s->surface);
        wp_fractional_scale_v1_add_listener(s->fractional_scale, &fractional_listener, s);
    }
    return true;
}

// The output's surface for the mode: a layer surface covering it, or, for
// the overlay without layer-shell, a full-screen toplevel on it.
void make_output_surface(WaylandOutput* o) {
    Surface* s = &o->view;
    if (!make_surface(s)) return;
    if (wl.layer_shell) {
        const bool overlay = wl.target == HackTarget::overlay;
        s->layer_surface = zwlr_layer_shell_v1_get_layer_surface(
            wl.layer_shell, s->surface, o->output,
            overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
            overlay ? "screensaver" : "wallpaper");
        zwlr_layer_surface_v1_add_listener(s->layer_surface, &layer_listener, s);
        // the whole output: anchored to every edge, the compositor's size
        zwlr_layer_surface_v1_set_size(s->layer_surface, 0, 0);
        zwlr_layer_surface_v1_set_anchor(s->layer_surface,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // -1: under the panels too, never pushed aside by their zones
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer_surface, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s->layer_surface, overlay ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                      : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        if (!overlay) {
            // a wallpaper takes no input at all: an empty input region
            wl_region* none = wl_compositor_create_region(wl.compositor);
            wl_surface_set_input_region(s->surface, none);
            wl_region_destroy(none);
        }
    } else {
        s->shell_surface = xdg_wm_base_get_xdg_surface(wl.wm_base, s->surface);
        xdg_surface_add_listener(s->shell_surface, &xdg_surface_listener_, s);
        s->toplevel = xdg_surface_get_toplevel(s->shell_surface);
        xdg_toplevel_add_listener(s->toplevel, &toplevel_listener, s);
        xdg_toplevel_set_title(s->toplevel, "Frostvale 2026");
        xdg_toplevel_set_app_id(s->toplevel, "frostvale");
        xdg_toplevel_set_fullscreen(s->toplevel, o->output);
    }
    wl_surface_commit(s->surface);  // no buffer: asks for the first configure
}

void make_window() {
    Surface* s = &wl.window;
    if (!make_surface(s)) return;
    s->shell_surface = xdg_wm_base_get_xdg_surface(wl.wm_base, s->surface);
    xdg_surface_add_listener(s->shell_surface, &xdg_surface_listener_, s);
    s->toplevel = xdg_surface_get_toplevel(s->shell_surface);
    xdg_toplevel_add_listener(s->toplevel, &toplevel_listener, s);
    xdg_toplevel_set_title(s->toplevel, "Frostvale 2026");
    xdg_toplevel_set_app_id(s->toplevel, "frostvale");
    wl_surface_commit(s->surface);
}

void on_output_geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                        int32_t) {}
void on_output_mode(void* data, wl_output*, uint32_t flags, int32_t, int32_t, int32_t refresh_mhz) {
    WaylandOutput* o = static_cast<WaylandOutput*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) o->refresh_mhz = refresh_mhz;
}
// An output's description is whole: a new one gets its surface, a new
// scale a new buffer.
void on_output_done(void* data, wl_output*) {
    WaylandOutput* o = static_cast<WaylandOutput*>(data);
    o->described = true;
    wl.outputs_changed = true;
    if (!wl.started || wl.target == HackTarget::own_window) return;
    if (!o->view.surface) {
        make_output_surface(o);
    } else if (o->view.configured && wl.egl_context != EGL_NO_CONTEXT) {
        fit_buffer(&o->view);
    }
}
void on_output_scale(void* data, wl_output*, int32_t factor) {
    WaylandOutput* o = static_cast<WaylandOutput*>(data);
    o->scale = factor > 0 ? factor : 1;
    if (wl.target == HackTarget::own_window && wl.window.surface) on_surface_enter(&wl.window, nullptr, o->output);
}
void on_output_name(void*, wl_output*, const char*) {}
void on_output_description(void*, wl_output*, const char*) {}
constexpr wl_output_listener output_listener = {on_output_geometry, on_output_mode, on_output_done,
                                                on_output_scale,    on_output_name, on_output_description};

// Keys and buttons go to the run's exit rules (the overlay ends on any,
// the window on Escape); the pointer is hidden over the overlay.
void on_key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    run_input(key == wl.escape_code ? RunInput::escape_key : RunInput::other_key);
}

// The key code of the Escape keysym in an XKB keymap's text: the key whose
// symbols name Escape (`key <ESC> { [ Escape ] };`), then its number in
// the keycodes (`<ESC> = 9;`). 0, which no key sends, where the keymap has
// no Escape (a virtual keyboard's keymap holds only the keys it types).
uint32_t escape_code_in(const std::string& keymap) {
    for (size_t at = keymap.find("key <"); at != std::string::npos; at = keymap.find("key <", at + 5)) {
        const size_t name_end = keymap.find('>', at + 5);
        const size_t block_end = keymap.find("};", at);
        if (name_end == std::string::npos || block_end == std::string::npos) break;
        const std::string block = keymap.substr(name_end, block_end - name_end);
        size_t word = block.find("Escape");
        const auto letter = [&](size_t i) { return i < block.size() && (std::isalnum(block[i]) || block[i] == '_'); };
        while (word != std::string::npos && (letter(word + 6) || (word > 0 && letter(word - 1))))
            word = block.find("Escape", word + 6);
        if (word == std::string::npos) continue;
        const std::string name = keymap.substr(at + 4, name_end - at - 3);  // "<ESC>"
        for (size_t code = keymap.find(name); code != std::string::npos; code = keymap.find(name, code + 1)) {
            size_t i = code + name.size();
            while (i < keymap.size() && keymap[i] == ' ') ++i;
            if (i >= keymap.size() || keymap[i] != '=') continue;
            const long number = std::strtol(keymap.c_str() + i + 1, nullptr, 10);
            if (number > static_cast<long>(xkb_keycode_offset))
                return static_cast<uint32_t>(number) - xkb_keycode_offset;
        }
    }
    return 0;
}

void on_keymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    wl.escape_code = evdev_escape;
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            wl.escape_code = escape_code_in(
                std::string(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size)));
            munmap(text, size);
        }
    }
    close(fd);
}
void on_keyboard_enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void on_keyboard_leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void on_modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void on_repeat_info(void*, wl_keyboard*, int32_t, int32_t) {}
constexpr wl_keyboard_listener keyboard_listener = {on_keymap, on_keyboard_enter, on_keyboard_leave,
                                                    on_key,    on_modifiers,      on_repeat_info};

void on_pointer_enter(void*, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
    if (wl.target == HackTarget::overlay) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    run_input(RunInput::mouse_moved, wl_fixed_to_int(x), wl_fixed_to_int(y));
}
void on_pointer_leave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void on_motion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    run_input(RunInput::mouse_moved, wl_fixed_to_int(x), wl_fixed_to_int(y));
}
void on_button(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) run_input(RunInput::button);
}
void on_axis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { run_input(RunInput::button); }
void on_pointer_frame(void*, wl_pointer*) {}
void on_axis_source(void*, wl_pointer*, uint32_t) {}
void on_axis_stop(void*, wl_pointer*, uint32_t, uint32_t) {}
void on_axis_discrete(void*, wl_pointer*, uint32_t, int32_t) {}
void on_axis_value120(void*, wl_pointer*, uint32_t, int32_t) {}
constexpr wl_pointer_listener pointer_listener = {on_pointer_enter, on_pointer_leave, on_motion,      on_button,
                                                  on_axis,          on_pointer_frame, on_axis_source, on_axis_stop,
                                                  on_axis_discrete, on_axis_value120};

// A keyboard or pointer that goes (a virtual keyboard's end) is let go,
// and the next one taken anew.
void on_seat_capabilities(void*, wl_seat* seat, uint32_t capabilities) {
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (keyboard && !wl.keyboard) {
        wl.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(wl.keyboard, &keyboard_listener, nullptr);
    } else if (!keyboard && wl.keyboard) {
        if (wl_keyboard_get_version(wl.keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
            wl_keyboard_release(wl.keyboard);
        } else {
            wl_keyboard_destroy(wl.keyboard);
        }
        wl.keyboard = nullptr;
    }
    if (pointer && !wl.pointer) {
        wl.pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(wl.pointer, &pointer_listener, nullptr);
    } else if (!pointer && wl.pointer) {
        if (wl_pointer_get_version(wl.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION) {
            wl_pointer_release(wl.pointer);
        } else {
            wl_pointer_destroy(wl.pointer);
        }
        wl.pointer = nullptr;
    }
}
void on_seat_name(void*, wl_seat*, const char*) {}
constexpr wl_seat_listener seat_listener = {on_seat_capabilities, on_seat_name};

void on_ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
constexpr xdg_wm_base_listener wm_base_listener = {on_ping};

uint32_t at_most(uint32_t offered, uint32_t wanted) { return offered < wanted ? offered : wanted; }

// The globals each mode needs, and nothing more: a wallpaper binds no seat
// and no xdg-shell.
void on_global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    const bool takes_input = wl.target != HackTarget::background;
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        wl.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, at_most(version, 4)));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && wl.target != HackTarget::own_window) {
        wl.layer_shell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, at_most(version, 4)));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && takes_input) {
        wl.wm_base =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, at_most(version, 2)));
        xdg_wm_base_add_listener(wl.wm_base, &wm_base_listener, nullptr);
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
        wl.viewporter = static_cast<wp_viewporter*>(wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
        wl.fractional_manager = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && takes_input && !wl.seat) {
        wl.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, at_most(version, 5)));
        wl_seat_add_listener(wl.seat, &seat_listener, nullptr);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
        for (WaylandOutput& o : wl.outputs) {
            if (o.live) continue;
            o = {};
            o.live = true;
            o.id = name;
            o.scale = 1;
            o.output =
                static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, at_most(version, 4)));
            wl_output_add_listener(o.output, &output_listener, &o);
            break;
        }
    }
}

// An output that goes takes its surface with it; the others go on.
void on_global_remove(void*, wl_registry*, uint32_t name) {
    for (WaylandOutput& o : wl.outputs) {
        if (!o.live || o.id != name) continue;
        destroy_surface(&o.view);
        if (wl_output_get_version(o.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
            wl_output_release(o.output);
        } else {
            wl_output_destroy(o.output);
        }
        if (o.reported && wl.removed_count < max_outputs) wl.removed_ids[wl.removed_count++] = o.id;
        o = {};
    }
}
constexpr wl_registry_listener registry_listener = {on_global, on_global_remove};

// Whether the surface may draw now: configured, with a buffer, and (live)
// asked for a frame by the compositor, or (still) showing no picture yet at
// its size and scale.
bool wants_frame(const Surface& s) {
    if (!s.configured || s.egl_surface == EGL_NO_SURFACE) return false;
    return wl.still ? !s.still_drawn : !s.frame_callback;
}

// The surface of drawable: the window's (0) or an output's.
Surface* drawable_surface(int32_t drawable) {
    if (drawable < 0 || drawable >= max_outputs) return nullptr;
    if (wl.target == HackTarget::own_window) return drawable == 0 ? &wl.window : nullptr;
    return wl.outputs[drawable].live ? &wl.outputs[drawable].view : nullptr;
}

// Reads what the compositor sent, waiting up to timeout_ms (-1: without
// end) on its connection and the stop signals' pipe; handles it. A broken
// connection marks the compositor as gone.
void read_events(int timeout_ms) {
    if (wl.lost) return;
    while (wl_display_prepare_read(wl.display) != 0) {
        if (wl_display_dispatch_pending(wl.display) < 0) {
            wl.lost = true;
            return;
        }
    }
    if (wl_display_flush(wl.display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(wl.display);
        wl.lost = true;
        return;
    }
    pollfd fds[2] = {{wl_display_get_fd(wl.display), POLLIN, 0}, {wl.wake_fd, POLLIN, 0}};
    const int ready = poll(fds, wl.wake_fd >= 0 ? 2 : 1, timeout_ms);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
        if (wl_display_read_events(wl.display) < 0) wl.lost = true;
    } else {
        wl_display_cancel_read(wl.display);
    }
    if (!wl.lost && wl_display_dispatch_pending(wl.display) < 0) wl.lost = true;
}

// The primitives.

// Tells the run what changed: each surface with a buffer is an output of
// the run, filled whole, at its buffer's pixels; one without (not yet
// configured, closed) or gone is no more.
void report_outputs() {
    wl.outputs_changed = false;
    for (int32_t i = 0; i < wl.removed_count; ++i) run_output_removed(wl.removed_ids[i]);
    wl.removed_count = 0;
    if (wl.target == HackTarget::own_window) {
        const Surface& s = wl.window;
        wl.window_reported = s.configured && s.egl_surface != EGL_NO_SURFACE;
        if (wl.window_reported) {
            run_output_changed(Output{window_output_id, 0, false, 0, 0, s.buffer_width, s.buffer_height,
                                      scale_120(s, wl.window_scale), wl.window_refresh_mhz});
        }
        return;
    }
    for (int32_t d = 0; d < max_outputs; ++d) {
        WaylandOutput& o = wl.outputs[d];
        if (!o.live) continue;
        const Surface& s = o.view;
        const bool shown = s.configured && s.egl_surface != EGL_NO_SURFACE;
        if (shown) {
            run_output_changed(
                Output{o.id, d, false, 0, 0, s.buffer_width, s.buffer_height, scale_120(s, o.scale), o.refresh_mhz});
        } else if (o.reported) {
            run_output_removed(o.id);
        }
        o.reported = shown;
    }
}

void handle_events() {
    read_events(0);
    if (wl.outputs_changed || wl.removed_count) report_outputs();
    if (wl.lost || wl.window_closed || stop_requested()) run_input(RunInput::close);
}

// Waits on the compositor's connection and the stop signals' pipe until
// the deadline.
void wait_for_events(int64_t deadline) {
    const int64_t left = deadline - clock_ns();
    if (left <= 0) return;
    read_events(static_cast<int>((left + 999999) / 1000000));
}

bool drawable_ready(int32_t drawable) {
    const Surface* s = drawable_surface(drawable);
    return s && wants_frame(*s);
}

void begin_drawable(int32_t drawable, DrawableArea* area) {
    Surface* s = drawable_surface(drawable);
    *area = {};
    if (!s || s->egl_surface == EGL_NO_SURFACE) return;
    if (wl.current != s && !eglMakeCurrent(wl.egl_display, s->egl_surface, s->egl_surface, wl.egl_context)) return;
    wl.current = s;
    *area = DrawableArea{s->buffer_width, s->buffer_height, 0, s->buffer_height};
}

// Shows the surface's frame, asking the compositor to say when it wants
// the next (a live run; a still draws only on a change). The swap never
// waits: the frame callbacks pace the run.
void present_drawable(int32_t drawable) {
    Surface* s = drawable_surface(drawable);
    if (!s || s->egl_surface == EGL_NO_SURFACE) return;
    if (!wl.still) {
        s->frame_callback = wl_surface_frame(s->surface);
        wl_callback_add_listener(s->frame_callback, &frame_listener, s);
    }
    eglSwapBuffers(wl.egl_display, s->egl_surface);
    s->still_drawn = true;
    wl_display_flush(wl.display);
}

constexpr HostPrimitives wayland_primitives = {clock_ns,       1000000000,     handle_events,  wait_for_events,
                                               report_outputs, drawable_ready, begin_drawable, present_drawable,
                                               true,           cpu_seconds};

// EGL on the connection: desktop OpenGL (the compatibility profile, which
// keeps OpenGL 1.1), 8-bit RGB with no alpha where there is such a config
// (an opaque picture), a 24-bit depth buffer.
bool open_egl() {
    const auto get_platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    wl.egl_display = get_platform_display ? get_platform_display(EGL_PLATFORM_WAYLAND_EXT, wl.display, nullptr)
                                          : eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(wl.display));
    if (wl.egl_display == EGL_NO_DISPLAY || !eglInitialize(wl.egl_display, nullptr, nullptr)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_WINDOW_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_DEPTH_SIZE,
                             24,
                             EGL_NONE};
    enum { most_configs = 64 };
    EGLConfig configs[most_configs];
    EGLint count = 0;
    if (!eglChooseConfig(wl.egl_display, wanted, configs, most_configs, &count) || count < 1) return false;
    wl.egl_config = configs[0];
    for (EGLint i = 0; i < count; ++i) {
        EGLint alpha = 0;
        eglGetConfigAttrib(wl.egl_display, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (alpha == 0) {
            wl.egl_config = configs[i];
            break;
        }
    }
    wl.egl_context = eglCreateContext(wl.egl_display, wl.egl_config, EGL_NO_CONTEXT, nullptr);
    return wl.egl_context != EGL_NO_CONTEXT;
}

// Every surface's buffer, then the context current on the first (or on
// none, where no output is there yet).
bool start_drawing() {
    Surface* first = nullptr;
    if (wl.target == HackTarget::own_window) {
        if (wl.window.configured && fit_buffer(&wl.window)) first = &wl.window;
    }
    for (WaylandOutput& o : wl.outputs) {
        if (o.live && o.view.configured && fit_buffer(&o.view) && !first) first = &o.view;
    }
    wl.current = first;
    if (first) return eglMakeCurrent(wl.egl_display, first->egl_surface, first->egl_surface, wl.egl_context);
    return eglMakeCurrent(wl.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, wl.egl_context);
}

void release() {
    if (wl.egl_display != EGL_NO_DISPLAY) {
        eglMakeCurrent(wl.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        wl.current = nullptr;
    }
    for (WaylandOutput& o : wl.outputs) {
        if (o.live) destroy_surface(&o.view);
    }
    destroy_surface(&wl.window);
    if (wl.egl_context != EGL_NO_CONTEXT) eglDestroyContext(wl.egl_display, wl.egl_context);
    if (wl.egl_display != EGL_NO_DISPLAY) eglTerminate(wl.egl_display);
    wl.egl_context = EGL_NO_CONTEXT;
    wl.egl_display = EGL_NO_DISPLAY;
    if (wl.display) {
        for (WaylandOutput& o : wl.outputs) {
            if (o.live) wl_output_destroy(o.output);
        }
        if (wl.keyboard) wl_keyboard_destroy(wl.keyboard);
        if (wl.pointer) wl_pointer_destroy(wl.pointer);
        if (wl.seat) wl_seat_destroy(wl.seat);
        if (wl.fractional_manager) wp_fractional_scale_manager_v1_destroy(wl.fractional_manager);
        if (wl.viewporter) wp_viewporter_destroy(wl.viewporter);
        if (wl.wm_base) xdg_wm_base_destroy(wl.wm_base);
        if (wl.layer_shell) zwlr_layer_shell_v1_destroy(wl.layer_shell);
        if (wl.compositor) wl_compositor_destroy(wl.compositor);
        if (wl.registry) wl_registry_destroy(wl.registry);
        wl_display_disconnect(wl.display);
    }
    const int wake_fd = wl.wake_fd;
    wl = {};
    wl.wake_fd = wake_fd;
}

// A start-up fault: one line on standard error, exit code 1.
int refuse(const std::string& why) {
    std::fprintf(stderr, "frostvale: %s\n", why.c_str());
    release();
    return 1;
}

}  // namespace

int wayland_run(const HackOptions& options) {
    wl = {};
    wl.target = options.target;
    wl.still = options.still;
    wl.egl_display = EGL_NO_DISPLAY;
    wl.egl_context = EGL_NO_CONTEXT;
    wl.window_scale = 1;
    wl.escape_code = evdev_escape;
    // a stop signal during start-up is answered once the frame loop begins
    wl.wake_fd = install_stop_signals();
    const int exit_code = [&] {
        // the connection: a socket a locker hands over, else the named one
        const char* handed = std::getenv("WAYLAND_SOCKET");
        const char* name = std::getenv("WAYLAND_DISPLAY");
        const std::string display_key = canonical_wayland_display(name, std::getenv("XDG_RUNTIME_DIR"));
        if (handed && *handed) {
            char* end = nullptr;
            errno = 0;
            const long fd = std::strtol(handed, &end, 10);
            struct stat status;
            if (*end != '\0' || errno || fd < 0 || fd > 65535 || fstat(static_cast<int>(fd), &status) != 0 ||
                !S_ISSOCK(status.st_mode))
                return refuse("WAYLAND_SOCKET=" + shown_text(handed) + ": not a socket");
        }
        wl.display = wl_display_connect(nullptr);
        if (!wl.display) {
            if (handed && *handed) return refuse("cannot use the Wayland connection in WAYLAND_SOCKET");
            return refuse("no Wayland compositor at " + shown_text(name && *name ? name : "wayland-0") + ": " +
                          std::strerror(errno));
        }
        wl.registry = wl_display_get_registry(wl.display);
        wl_registry_add_listener(wl.registry, &registry_listener, nullptr);
        // the globals, then the outputs' descriptions
        if (wl_display_roundtrip(wl.display) < 0 || wl_display_roundtrip(wl.display) < 0)
            return refuse("the Wayland compositor closed the connection");
        if (!wl.compositor) return refuse("the Wayland compositor offers no wl_compositor");
        if (wl.target == HackTarget::background && !wl.layer_shell)
            return refuse("the Wayland compositor has no layer-shell (zwlr_layer_shell_v1): --background needs it");
        if (!wl.layer_shell && !wl.wm_base) return refuse("the Wayland compositor offers no xdg-shell (xdg_wm_base)");

        if (wl.target == HackTarget::own_window) {
            make_window();
        } else {
            for (WaylandOutput& o : wl.outputs) {
                if (o.live && o.described) make_output_surface(&o);
            }
        }
        wl.started = true;
        // the first configures
        if (wl_display_roundtrip(wl.display) < 0) return refuse("the Wayland compositor closed the connection");
        if (!open_egl()) return refuse("no EGL with desktop OpenGL for Wayland windows");
        if (!start_drawing()) return refuse("cannot make an OpenGL context current on a Wayland surface");

        HackOptions chosen = options;
        RunConfig run = hack_run_config(chosen, 1280, 720, static_cast<uint32_t>(clock_ns() / 1000000));
        if (run.music && !take_music_lock(display_key)) run.music = false;
        const int code = wl.still ? run_still(run, wayland_primitives, options.still_seconds)
                                  : run_saver(run, wayland_primitives, 0.0f, nullptr);
        if (wl.lost) {
            std::fprintf(stderr, "frostvale: the Wayland compositor went away\n");
            release();
            return 1;
        }
        release();
        return code;
    }();
    remove_stop_signals();
    return exit_code;
}

}  // namespace host
