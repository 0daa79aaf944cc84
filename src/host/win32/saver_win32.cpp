// The Windows host: the saver window and its OpenGL context, the window
// procedure that reports input and the display's state to the run, and
// the run's primitives over Win32.
#include "host/win32/saver_win32.h"

#include <mmsystem.h>

#include <cmath>
#include <cstring>

#include "shared/run_mode.h"

namespace host {

namespace {

typedef BOOL(WINAPI* SwapIntervalProc)(int interval);

// The console display's state reports (off, on, dimmed), to which the saver
// window subscribes.
constexpr GUID console_display_state = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The saver run's window and context, alive until shutdown. Owned here:
// written while the window opens, read by the primitives and the window
// procedure.
struct SaverWindow {
    int32_t mode;
    HWND window;
    HDC dc;
    HGLRC context;
    HWND host_window;  // the preview's host
    int32_t virtual_left;
    int32_t virtual_bottom;
    int32_t monitor_count;  // full screen only: filled once before the window exists
    MonitorRect monitors[max_monitors];
    bool fine_timer;  // the system timer's 1 ms resolution, taken for the waits
};
SaverWindow saver = {};

BOOL CALLBACK add_monitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
    if (saver.monitor_count < max_monitors) {
        saver.monitors[saver.monitor_count] = MonitorRect{rect->left, rect->top, rect->right, rect->bottom};
        ++saver.monitor_count;
    }
    return TRUE;  // enumerate to the end; monitors past the eighth are left out
}

// A report of the display's state, for the run.
void display_state_changed(const POWERBROADCAST_SETTING* setting) {
    DWORD state;
    if (!IsEqualGUID(setting->PowerSetting, console_display_state) || setting->DataLength < sizeof state) return;
    std::memcpy(&state, setting->Data, sizeof state);
    run_display_state(state);
}

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool full_screen = saver.mode == shared::mode_full_screen;
    switch (message) {
        case WM_DESTROY:
        case WM_CLOSE:
            // not passed on: shutdown destroys the window
            run_input(RunInput::close);
            return 0;
        case WM_ACTIVATEAPP:
            if (wparam == 0) run_input(RunInput::deactivated);
            return 0;
        case WM_SETCURSOR:
            if (!full_screen) break;
            SetCursor(nullptr);
            return 1;
        case WM_KEYDOWN:
            run_input(wparam == VK_ESCAPE ? RunInput::escape_key : RunInput::other_key);
            return 0;
        case WM_SYSKEYDOWN:
            // never passed on, so Alt+F4 does nothing in a window
            run_input(RunInput::other_key);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEWHEEL:
            run_input(RunInput::button);
            return 0;
        case WM_MOUSEMOVE: {
            POINT at;  // the cursor on the screen, not the message's client position
            GetCursorPos(&at);
            run_input(RunInput::mouse_moved, at.x, at.y);
            return 0;
        }
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

// The primitives.

int64_t clock_counts() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void handle_events() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) run_input(RunInput::close);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // a preview ends with its host window
    if (saver.mode == shared::mode_preview && !IsWindow(saver.host_window)) run_input(RunInput::close);
}

void wait_for_events(int64_t deadline) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double left = static_cast<double>(deadline - clock_counts()) / static_cast<double>(frequency.QuadPart);
    if (left <= 0.0) return;
    if (!saver.fine_timer) saver.fine_timer = timeBeginPeriod(1) == TIMERR_NOERROR;
    // any message, input above all, ends the wait at once
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::ceil(left * 1000.0)), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

void get_drawable(Drawable* drawable) {
    RECT client;
    GetClientRect(saver.window, &client);
    drawable->width = client.right;
    drawable->height = client.bottom;
    drawable->virtual_left = saver.virtual_left;
    drawable->virtual_bottom = saver.virtual_bottom;
    drawable->monitor_count = saver.monitor_count;
    std::memcpy(drawable->monitors, saver.monitors, sizeof saver.monitors);
}

void swap_buffers() { SwapBuffers(saver.dc); }

// 0 or 1 where the display reports none
int32_t refresh_rate() { return GetDeviceCaps(saver.dc, VREFRESH); }

HostPrimitives win32_primitives() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return HostPrimitives{clock_counts, frequency.QuadPart, handle_events, wait_for_events,
                          get_drawable, swap_buffers,       refresh_rate,  nullptr};
}

void release_context() {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(saver.context);
    ReleaseDC(saver.window, saver.dc);
}

}  // namespace

int saver_run(const RunConfig& config, HWND parent, float seconds, const char* file) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const bool full_screen = config.mode == shared::mode_full_screen;
    saver.mode = config.mode;

    WNDCLASSW window_class = {};
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = saver_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    window_class.hCursor = full_screen ? nullptr : LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"Frostvale2026";
    RegisterClassW(&window_class);

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
    } else if (config.mode == shared::mode_preview) {
        RECT host_client;
        GetClientRect(parent, &host_client);
        x = 0;
        y = 0;
        width = host_client.right;
        height = host_client.bottom;
        style = WS_CHILD | WS_VISIBLE;
        saver.host_window = parent;
    } else {
        RECT frame = {0, 0, 1280, 720};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        x = 60;
        y = 40;
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
        style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    }
    saver.virtual_left = x;
    saver.virtual_bottom = y + height;

    saver.window = CreateWindowExW(ex_style, L"Frostvale2026", L"Frostvale 2026", style, x, y, width, height,
                                   config.mode == shared::mode_preview ? parent : nullptr, nullptr, instance, nullptr);
    if (!saver.window) return 1;
    if (full_screen) ShowCursor(FALSE);
    saver.dc = GetDC(saver.window);

    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    const int format_index = ChoosePixelFormat(saver.dc, &format);
    if (format_index == 0 || !SetPixelFormat(saver.dc, format_index, &format)) return 1;
    saver.context = wglCreateContext(saver.dc);
    if (!saver.context || !wglMakeCurrent(saver.dc, saver.context)) return 1;

    const auto swap_interval =
        reinterpret_cast<SwapIntervalProc>(reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (swap_interval) swap_interval(1);  // one vertical retrace per swap

    const HPOWERNOTIFY display_reports =
        file ? nullptr
             : RegisterPowerSettingNotification(saver.window, &console_display_state, DEVICE_NOTIFY_WINDOW_HANDLE);
    const HostPrimitives primitives = win32_primitives();
    const int code = run_saver(config, primitives, seconds, file);

    if (display_reports) UnregisterPowerSettingNotification(display_reports);
    if (saver.fine_timer) timeEndPeriod(1);
    release_context();
    if (IsWindow(saver.window)) DestroyWindow(saver.window);  // a preview may have lost it with its host
    if (full_screen) ShowCursor(TRUE);
    return code;
}

}  // namespace host
