// The Windows host: the saver window and its OpenGL context, the window
// procedure that reports input and the display's state to the run, and
// the run's primitives over Win32.
#include "host/win32/saver_win32.h"

#include <mmsystem.h>

#include <cmath>
#include <cstring>
#include <cwchar>

#include "shared/run_mode.h"

namespace host {

namespace {

typedef BOOL(WINAPI* SwapIntervalProc)(int interval);

// The console display's state reports (off, on, dimmed), to which the saver
// window subscribes.
constexpr GUID console_display_state = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The desk: the virtual screen, then each monitor's rectangle in the
// system's order.
struct Desk {
    RECT rects[max_outputs + 1];
    int32_t count;
};

// A monitor the run has reported, known by its display device's name.
struct KnownMonitor {
    wchar_t device[CCHDEVICENAME];
    uint32_t id;
    bool seen;  // in the enumeration under way
};

// The saver run's window and context, alive until shutdown. Owned here:
// written while the window opens, when the desk changes (the virtual
// screen, the monitors) and by the monitor enumeration; read by the
// primitives and the window procedure.
struct SaverWindow {
    int32_t mode;
    HWND window;
    HDC dc;
    HGLRC context;
    HWND host_window;  // the preview's host
    int32_t virtual_left;
    int32_t virtual_bottom;
    KnownMonitor monitors[max_outputs];  // full screen: the monitors reported, by device
    int32_t monitor_count;
    uint32_t next_id;   // the id the next new monitor gets
    Desk desk;          // full screen: the desk as last laid out
    DWORD desk_looked;  // and when it was last looked at
    bool fine_timer;    // the system timer's 1 ms resolution, taken for the waits
};
SaverWindow saver = {};

// The refresh rate of a display device in millihertz; 0 where it reports
// none (0 or 1, the hardware's default).
int32_t device_refresh_mhz(const wchar_t* device) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(device, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1) return 0;
    return static_cast<int32_t>(mode.dmDisplayFrequency) * 1000;
}

// The system's scale in 120ths (96 dots per inch is 1:1).
int32_t system_scale_120() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi * unit_scale / 96 : static_cast<int32_t>(unit_scale);
}

// Reports one monitor of the enumeration to the run: the id its device had
// before, or a new one.
BOOL CALLBACK report_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM scale) {
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    KnownMonitor* known = nullptr;
    for (int32_t i = 0; i < saver.monitor_count && !known; ++i) {
        if (std::wcscmp(saver.monitors[i].device, info.szDevice) == 0) known = &saver.monitors[i];
    }
    if (!known) {
        if (saver.monitor_count == max_outputs) return TRUE;  // monitors past the eighth are left out
        known = &saver.monitors[saver.monitor_count++];
        std::wcsncpy(known->device, info.szDevice, CCHDEVICENAME - 1);
        known->device[CCHDEVICENAME - 1] = L'\0';
        known->id = ++saver.next_id;
    }
    known->seen = true;
    const RECT& r = info.rcMonitor;
    run_output_changed(Output{known->id, 0, true, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              static_cast<int32_t>(scale), device_refresh_mhz(info.szDevice)});
    return TRUE;
}

// The outputs: full screen, every monitor in the system's order, in the one
// window over the virtual screen, and the end of those no longer there;
// otherwise the window itself.
void report_outputs() {
    const int32_t scale = system_scale_120();
    if (saver.mode != shared::mode_full_screen) {
        const int32_t hz = GetDeviceCaps(saver.dc, VREFRESH);
        run_output_changed(Output{1, 0, false, 0, 0, 0, 0, scale, hz > 1 ? hz * 1000 : 0});
        return;
    }
    for (int32_t i = 0; i < saver.monitor_count; ++i) saver.monitors[i].seen = false;
    EnumDisplayMonitors(nullptr, nullptr, report_monitor, scale);
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

// The virtual screen as it stands: the full-screen window's rectangle.
RECT virtual_screen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

BOOL CALLBACK add_monitor_rect(HMONITOR, HDC, LPRECT rect, LPARAM desk) {
    Desk* into = reinterpret_cast<Desk*>(desk);
    if (into->count <= max_outputs) into->rects[into->count++] = *rect;
    return TRUE;
}

// Whether the desk differs from the one last laid out (and takes it as
// the one laid out).
bool desk_differs() {
    Desk now = {};
    now.rects[0] = virtual_screen();
    now.count = 1;
    EnumDisplayMonitors(nullptr, nullptr, add_monitor_rect, reinterpret_cast<LPARAM>(&now));
    const bool differs =
        now.count != saver.desk.count || std::memcmp(now.rects, saver.desk.rects, sizeof now.rects) != 0;
    saver.desk = now;
    return differs;
}

// A monitor came, went or changed during a full-screen run: the window
// covers the new virtual screen and the views are laid out again.
void desk_changed() {
    desk_differs();
    const RECT desk = virtual_screen();
    saver.virtual_left = desk.left;
    saver.virtual_bottom = desk.bottom;
    SetWindowPos(saver.window, HWND_TOPMOST, desk.left, desk.top, desk.right - desk.left, desk.bottom - desk.top,
                 SWP_NOACTIVATE);
    report_outputs();
}

// Full screen: once a second, whether the desk has changed without a
// WM_DISPLAYCHANGE (Wine on an X server with RandR sends none).
void look_at_desk() {
    const DWORD now = GetTickCount();
    if (now - saver.desk_looked < 1000) return;
    saver.desk_looked = now;
    if (desk_differs()) desk_changed();
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
        case WM_DISPLAYCHANGE:
            if (full_screen) desk_changed();
            break;
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
    if (saver.mode == shared::mode_full_screen) look_at_desk();
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

// The one drawable: the client area, over the virtual screen in full screen.
void begin_drawable(int32_t, DrawableArea* area) {
    RECT client;
    GetClientRect(saver.window, &client);
    *area = DrawableArea{client.right, client.bottom, saver.virtual_left, saver.virtual_bottom};
}

void swap_buffers(int32_t) { SwapBuffers(saver.dc); }

// One swap for every monitor, waiting at most a retrace: always ready, and
// paced by the run where swaps do not wait.
HostPrimitives win32_primitives() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return HostPrimitives{clock_counts, frequency.QuadPart, handle_events, wait_for_events, report_outputs,
                          nullptr,      begin_drawable,     swap_buffers,  false,           nullptr};
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
        const RECT desk = virtual_screen();
        desk_differs();  // the desk laid out first
        saver.desk_looked = GetTickCount();
        x = desk.left;
        y = desk.top;
        width = desk.right - desk.left;
        height = desk.bottom - desk.top;
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
