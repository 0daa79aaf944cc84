// The saver run: the saver window and its OpenGL context, the scene's
// start-up, the frame loop with the screensaver exit rules, shutdown, and
// the capture's window side.
#include "host/saver_win32.h"

#include "host/capture.h"
#include "host/saver_gl.h"
#include "host/saver_rules.h"
#include "music/music.h"
#include "scene/scene.h"
#include "shared/run_mode.h"

namespace host {

namespace {

typedef BOOL(WINAPI* SwapIntervalProc)(int interval);

// Owned here: set by the saver window procedure (or the pump on WM_QUIT),
// read by the frame loop; only ever goes from 0 to 1.
unsigned char quit_flag = 0;
// GetTickCount() when the frame loop began; 0 while the scene is built.
DWORD start_tick = 0;
// Cursor position at the first mouse move seen in full screen.
bool mouse_reference_set = false;
POINT mouse_reference = {0, 0};
// Full screen only: filled once before the window exists.
int monitor_count = 0;
MonitorRect monitors[max_monitors];

// The saver run's window and context, alive until shutdown.
struct SaverRun {
    HWND window;
    HDC dc;
    HGLRC context;
    SwapIntervalProc swap_interval;
    HWND host_window;
    int32_t virtual_left;
    int32_t virtual_bottom;
};

BOOL CALLBACK add_monitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
    if (monitor_count <= 7) {
        monitors[monitor_count] = MonitorRect{rect->left, rect->top, rect->right, rect->bottom};
        ++monitor_count;
    }
    return TRUE;  // enumerate to the end; monitors past the eighth are left out
}

bool grace_over() { return grace_period_over(GetTickCount(), start_tick); }

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool full_screen = shared::run_mode == shared::mode_full_screen;
    switch (message) {
        case WM_DESTROY:
        case WM_CLOSE:
            // not passed on: shutdown destroys the window
            quit_flag = 1;
            return 0;
        case WM_ACTIVATEAPP:
            if (full_screen && wparam == 0 && grace_over()) quit_flag = 1;
            return 0;
        case WM_SETCURSOR:
            if (!full_screen) break;
            SetCursor(nullptr);
            return 1;
        case WM_KEYDOWN:
            if (full_screen || wparam == VK_ESCAPE) quit_flag = 1;
            return 0;
        case WM_SYSKEYDOWN:
            // never passed on, so Alt+F4 does nothing in a window
            if (full_screen) quit_flag = 1;
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEWHEEL:
            if (full_screen) quit_flag = 1;
            return 0;
        case WM_MOUSEMOVE:
            if (full_screen) {
                POINT at;
                GetCursorPos(&at);
                if (!mouse_reference_set) {
                    mouse_reference = at;
                    mouse_reference_set = true;
                } else if (mouse_travelled(mouse_reference.x, mouse_reference.y, at.x, at.y) &&
                           grace_over()) {
                    quit_flag = 1;
                }
            }
            return 0;
        case WM_SYSCOMMAND: {
            const WPARAM command = wparam & 0xFFF0;
            if (full_screen && (command == SC_CLOSE || command == SC_SCREENSAVE)) return 0;
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void release_context(const SaverRun& run) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(run.context);
    ReleaseDC(run.window, run.dc);
}

int frame_loop(const SaverRun& run) {
    start_tick = GetTickCount();
    LARGE_INTEGER frequency, last;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&last);
    while (!quit_flag) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit_flag = 1;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (quit_flag) break;
        if (shared::run_mode == shared::mode_preview && !IsWindow(run.host_window)) break;

        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const float dt = frame_time_step(now.QuadPart - last.QuadPart, frequency.QuadPart);
        last = now;
        scene::step_scene(dt);

        RECT client;
        GetClientRect(run.window, &client);
        draw_frame(shared::run_mode == shared::mode_full_screen, monitors, monitor_count, run.virtual_left,
                   run.virtual_bottom, client.right, client.bottom);
        SwapBuffers(run.dc);

        if (shared::run_mode == shared::mode_preview) {
            Sleep(30);
        } else if (!run.swap_interval) {
            Sleep(8);
        }
    }

    music::stop_music();
    release_context(run);
    if (IsWindow(run.window)) DestroyWindow(run.window);  // a preview may have lost it with its host
    if (shared::run_mode == shared::mode_full_screen) ShowCursor(TRUE);
    return 0;
}

int capture(const SaverRun& run, float seconds, const char* file) {
    RECT client;
    GetClientRect(run.window, &client);
    const bool written = capture_frame(seconds, client.right, client.bottom, file);
    release_context(run);
    DestroyWindow(run.window);
    return written ? 0 : 1;
}

}  // namespace

int saver_run(HWND parent, float seconds, const char* file) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const bool full_screen = shared::run_mode == shared::mode_full_screen;

    WNDCLASSW window_class = {};
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = saver_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    window_class.hCursor = full_screen ? nullptr : LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"Frostvale2026";
    RegisterClassW(&window_class);

    SaverRun run = {};
    int x, y, width, height;
    DWORD style, ex_style = 0;
    if (full_screen) {
        x = GetSystemMetrics(SM_XVIRTUALSCREEN);
        y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        EnumDisplayMonitors(nullptr, nullptr, add_monitor, 0);
        style = WS_POPUP | WS_VISIBLE;
        ex_style = WS_EX_TOPMOST;
    } else if (shared::run_mode == shared::mode_preview) {
        RECT host_client;
        GetClientRect(parent, &host_client);
        x = 0;
        y = 0;
        width = host_client.right;
        height = host_client.bottom;
        style = WS_CHILD | WS_VISIBLE;
        run.host_window = parent;
    } else {
        RECT frame = {0, 0, 1280, 720};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        x = 60;
        y = 40;
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
        style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    }
    run.virtual_left = x;
    run.virtual_bottom = y + height;

    run.window = CreateWindowExW(ex_style, L"Frostvale2026", L"Frostvale 2026", style, x, y, width,
                                 height, shared::run_mode == shared::mode_preview ? parent : nullptr, nullptr,
                                 instance, nullptr);
    if (!run.window) return 1;
    if (full_screen) ShowCursor(FALSE);
    run.dc = GetDC(run.window);

    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    const int format_index = ChoosePixelFormat(run.dc, &format);
    if (format_index == 0 || !SetPixelFormat(run.dc, format_index, &format)) return 1;
    run.context = wglCreateContext(run.dc);
    if (!run.context || !wglMakeCurrent(run.dc, run.context)) return 1;

    run.swap_interval = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (run.swap_interval) run.swap_interval(1);  // one vertical retrace per swap

    build_scene(GetTickCount());

    if (shared::run_mode == shared::mode_capture) return capture(run, seconds, file);
    return frame_loop(run);
}

}  // namespace host
