// The saver run: the saver window and its OpenGL context, the scene's
// start-up, the frame loop with the screensaver exit rules, shutdown, and
// the capture's window side.
#include "host/win32/saver_win32.h"

#include <mmsystem.h>

#include <cstring>

#include "host/run/capture.h"
#include "host/run/saver_gl.h"
#include "host/run/saver_rules.h"
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
// Cleared by the saver window procedure while the system reports the
// display off, set again when it is back; read by the frame loop.
bool drawing = true;

// The console display's state reports (off, on, dimmed), to which the saver
// window subscribes.
constexpr GUID console_display_state = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

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

// A report of the display's state: off stops drawing and the music, on or
// dimmed brings both back.
void display_state_changed(const POWERBROADCAST_SETTING* setting) {
    DWORD state;
    if (!IsEqualGUID(setting->PowerSetting, console_display_state) ||
        setting->DataLength < sizeof state)
        return;
    std::memcpy(&state, setting->Data, sizeof state);
    const DisplayResponse response = respond_to_display(state, drawing);
    drawing = response.draw;
    if (response.music == MusicCall::stop) music::pause_music();
    if (response.music == MusicCall::restart) music::restart_music();
}

// Waits up to ms milliseconds, ending at once when input or any other
// message arrives, so the exit rules keep their instant response.
void wait_for_messages(DWORD ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

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
        case WM_POWERBROADCAST:
            if (wparam != PBT_POWERSETTINGCHANGE) break;
            display_state_changed(reinterpret_cast<const POWERBROADCAST_SETTING*>(lparam));
            return TRUE;
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

double seconds_at(LARGE_INTEGER counter, LARGE_INTEGER frequency) {
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int frame_loop(const SaverRun& run) {
    start_tick = GetTickCount();
    LARGE_INTEGER frequency, last;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&last);
    // the display's refresh rate; 0 or 1 when it reports none
    SwapPacing pacing = start_swap_pacing(GetDeviceCaps(run.dc, VREFRESH), seconds_at(last, frequency));
    bool fine_timer = false;  // the system timer's 1 ms resolution, while pacing
    const HPOWERNOTIFY display_reports =
        RegisterPowerSettingNotification(run.window, &console_display_state, DEVICE_NOTIFY_WINDOW_HANDLE);
    while (!quit_flag) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit_flag = 1;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (quit_flag) break;
        if (shared::run_mode == shared::mode_preview && !IsWindow(run.host_window)) break;
        if (!drawing) {
            // The display is off: the scene waits and only messages are
            // handled (a preview still checks its host four times a second).
            wait_for_messages(250);
            continue;
        }

        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const float dt = frame_time_step(now.QuadPart - last.QuadPart, frequency.QuadPart);
        last = now;
        scene::step_live_scene(dt);

        RECT client;
        GetClientRect(run.window, &client);
        draw_frame(shared::run_mode == shared::mode_full_screen, monitors, monitor_count, run.virtual_left,
                   run.virtual_bottom, client.right, client.bottom);
        SwapBuffers(run.dc);

        if (shared::run_mode == shared::mode_preview) {
            Sleep(30);
        } else if (!run.swap_interval) {
            Sleep(8);
        } else {
            QueryPerformanceCounter(&now);
            const double wait = pace_after_swap(&pacing, seconds_at(now, frequency));
            if (wait > 0.0) {
                if (!fine_timer) fine_timer = timeBeginPeriod(1) == TIMERR_NOERROR;
                wait_for_messages(static_cast<DWORD>(wait * 1000.0));
            }
        }
    }

    if (display_reports) UnregisterPowerSettingNotification(display_reports);
    if (fine_timer) timeEndPeriod(1);
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
