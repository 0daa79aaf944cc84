// The settings window: two check boxes, the maker's link, OK and Cancel,
// laid out in code at 96 DPI units scaled to the DPI of the monitor it is
// on, and laid out again when it moves to a monitor of another DPI.
#include <windows.h>
#include <shellapi.h>

#include "settings/settings.h"

namespace settings {

namespace {

enum { id_music = 101, id_snow = 102, id_link = 103 };

const wchar_t link_host[] = L"zentrel.example";
const wchar_t link_url[] = L"https://zentrel.example/frostvale/";

struct Control {
    const wchar_t* window_class;
    const wchar_t* text;
    int id;
    DWORD style;              // besides WS_CHILD | WS_VISIBLE
    int x, y, width, height;  // pixels at 96 DPI
};

// In creation order, which is also the Tab order.
constexpr Control controls[] = {
    {L"STATIC", L"Frostvale 2026", -1, 0, 16, 14, 348, 20},
    {L"STATIC", L"A 3D Christmas scene. Ornaments fly in from space and snap onto the tree.", -1, 0, 16, 36, 348, 36},
    {L"BUTTON", L"Play holiday music (public-domain carols)", id_music, WS_TABSTOP | BS_AUTOCHECKBOX, 16, 84, 348, 22},
    {L"BUTTON", L"Falling snow", id_snow, WS_TABSTOP | BS_AUTOCHECKBOX, 16, 110, 348, 22},
    {L"BUTTON", link_host, id_link, WS_TABSTOP, 16, 168, 110, 30},
    {L"BUTTON", L"OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 176, 168, 90, 30},
    {L"BUTTON", L"Cancel", IDCANCEL, WS_TABSTOP, 274, 168, 90, 30},
};

const int client_width = 380;
const int client_height = 214;
const DWORD window_style = WS_CAPTION | WS_SYSMENU;
const DWORD window_ex_style = WS_EX_DLGMODALFRAME;

// Owned here: the font is made by lay_out (again at each change of DPI) and
// deleted by run_settings_dialog; the controls are stored when created, the
// check boxes read on OK; the closed flag is set when the window is destroyed and
// never reset.
HFONT dialog_font = nullptr;
HWND control_windows[sizeof controls / sizeof controls[0]] = {};
HWND music_check_box = nullptr;
HWND snow_check_box = nullptr;
unsigned char dialog_closed = 0;

// Functions of Windows 10 (1607) and later, or null before.
template <typename Function>
Function user32_function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The DPI of the monitor the window is on; the screen's before Windows 10.
int window_dpi(HWND window) {
    typedef UINT(WINAPI * DpiForWindow)(HWND);
    static const auto dpi_for_window = user32_function<DpiForWindow>("GetDpiForWindow");
    if (window && dpi_for_window) return static_cast<int>(dpi_for_window(window));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The outer size of the window whose client area is the layout's at dpi.
SIZE outer_size(int dpi) {
    typedef BOOL(WINAPI * AdjustForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi = user32_function<AdjustForDpi>("AdjustWindowRectExForDpi");
    RECT frame = {0, 0, MulDiv(client_width, dpi, 96), MulDiv(client_height, dpi, 96)};
    if (adjust_for_dpi) {
        adjust_for_dpi(&frame, window_style, FALSE, window_ex_style, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, window_style, FALSE, window_ex_style);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// The message font at dpi, for all the controls.
HFONT make_font(int dpi) {
    typedef BOOL(WINAPI * ParametersForDpi)(UINT, UINT, void*, UINT, UINT);
    static const auto parameters_for_dpi = user32_function<ParametersForDpi>("SystemParametersInfoForDpi");
    static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the metrics record of Vista and later");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (parameters_for_dpi) {
        parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi));
    } else {
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// Places the controls and gives them the font, both at dpi.
void lay_out(int dpi) {
    HFONT old_font = dialog_font;
    dialog_font = make_font(dpi);
    for (size_t i = 0; i < sizeof controls / sizeof controls[0]; ++i) {
        const Control& c = controls[i];
        HWND control = control_windows[i];
        SetWindowPos(control, nullptr, MulDiv(c.x, dpi, 96), MulDiv(c.y, dpi, 96), MulDiv(c.width, dpi, 96),
                     MulDiv(c.height, dpi, 96), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font), TRUE);
    }
    if (old_font) DeleteObject(old_font);
}

LRESULT CALLBACK settings_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case id_link:
                    ShellExecuteW(window, L"open", link_url, nullptr, nullptr, SW_SHOWNORMAL);
                    break;
                case IDOK:
                    music_flag = SendMessageW(music_check_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
                    snow_flag = SendMessageW(snow_check_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
                    save_settings();
                    DestroyWindow(window);
                    break;
                case IDCANCEL:
                    DestroyWindow(window);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            dialog_closed = 1;
            // wakes the loop below when the close came as a sent message
            PostMessageW(nullptr, WM_NULL, 0, 0);
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        case WM_DPICHANGED: {
            // moved to a monitor of another DPI: the size Windows suggests,
            // and the layout at the new DPI
            const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            lay_out(LOWORD(wparam));
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

void run_settings_dialog(uint64_t owner_handle) {
    HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(owner_handle));
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = settings_dialog_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    window_class.lpszClassName = L"FrostvaleCfg";
    RegisterClassW(&window_class);

    read_settings();

    // centred on the primary screen, at the DPI of the monitor there
    // (known once the window exists: sized again when it differs from the
    // screen's)
    const int screen_dpi = window_dpi(nullptr);
    const auto centre = [](SIZE outer) {
        return POINT{(GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2};
    };
    SIZE outer = outer_size(screen_dpi);
    POINT at = centre(outer);
    HWND window = CreateWindowExW(window_ex_style, L"FrostvaleCfg", L"Frostvale 2026 Settings", window_style, at.x,
                                  at.y, outer.cx, outer.cy, owner, nullptr, instance, nullptr);

    // without a window there is nothing to wait for: as if Cancel was pressed
    if (window) {
        const int dpi = window_dpi(window);
        if (dpi != screen_dpi) {
            outer = outer_size(dpi);
            at = centre(outer);
            SetWindowPos(window, nullptr, at.x, at.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        for (size_t i = 0; i < sizeof controls / sizeof controls[0]; ++i) {
            const Control& c = controls[i];
            HWND control =
                CreateWindowExW(0, c.window_class, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, window,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(c.id)), instance, nullptr);
            control_windows[i] = control;
            if (c.id == id_music) music_check_box = control;
            if (c.id == id_snow) snow_check_box = control;
        }
        lay_out(dpi);
        SendMessageW(music_check_box, BM_SETCHECK, music_flag ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(snow_check_box, BM_SETCHECK, snow_flag ? BST_CHECKED : BST_UNCHECKED, 0);

        if (owner) EnableWindow(owner, FALSE);
        ShowWindow(window, SW_SHOW);
        SetFocus(GetDlgItem(window, IDOK));

        MSG msg;
        while (!dialog_closed && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageW(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }

        if (owner) {
            EnableWindow(owner, TRUE);
            SetForegroundWindow(owner);
        }
    }
    DeleteObject(dialog_font);
}

}  // namespace settings
