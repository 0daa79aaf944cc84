// The settings window: two check boxes, the maker's link, OK and Cancel,
// laid out in code at 96 DPI units scaled to the screen's DPI.
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
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    int x, y, width, height;  // pixels at 96 DPI
};

// In creation order, which is also the Tab order.
constexpr Control controls[] = {
    {L"STATIC", L"Frostvale 2026", -1, 0, 16, 14, 348, 20},
    {L"STATIC", L"A remake of Zentrel's classic 3D Christmas screensaver. Ornaments fly in from space and snap onto the tree.", -1, 0, 16, 36, 348, 36},
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

// Owned here: the font is made and deleted by run_settings_dialog; the
// check boxes are stored when created and read on OK; the closed flag is
// set when the window is destroyed and never reset.
HFONT dialog_font = nullptr;
HWND music_check_box = nullptr;
HWND snow_check_box = nullptr;
unsigned char dialog_closed = 0;

LRESULT CALLBACK settings_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case id_link:
                    ShellExecuteW(window, L"open", link_url, nullptr, nullptr, SW_SHOWNORMAL);
                    break;
                case IDOK:
                    shared::music_flag = SendMessageW(music_check_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
                    shared::snow_flag = SendMessageW(snow_check_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
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

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);

    static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the metrics record of Vista and later");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    dialog_font = CreateFontIndirectW(&metrics.lfMessageFont);

    read_settings();

    RECT frame = {0, 0, MulDiv(client_width, dpi, 96), MulDiv(client_height, dpi, 96)};
    AdjustWindowRectEx(&frame, window_style, FALSE, window_ex_style);
    const int outer_width = frame.right - frame.left;
    const int outer_height = frame.bottom - frame.top;
    HWND window = CreateWindowExW(
        window_ex_style, L"FrostvaleCfg", L"Frostvale 2026 Settings", window_style,
        (GetSystemMetrics(SM_CXSCREEN) - outer_width) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - outer_height) / 2, outer_width, outer_height, owner,
        nullptr, instance, nullptr);

    // without a window there is nothing to wait for: as if Cancel was pressed
    if (window) {
        for (const Control& c : controls) {
            HWND control = CreateWindowExW(
                0, c.window_class, c.text, WS_CHILD | WS_VISIBLE | c.style,
                MulDiv(c.x, dpi, 96), MulDiv(c.y, dpi, 96), MulDiv(c.width, dpi, 96),
                MulDiv(c.height, dpi, 96), window,
                reinterpret_cast<HMENU>(static_cast<intptr_t>(c.id)), instance, nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font), TRUE);
            if (c.id == id_music) music_check_box = control;
            if (c.id == id_snow) snow_check_box = control;
        }
        SendMessageW(music_check_box, BM_SETCHECK, shared::music_flag ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(snow_check_box, BM_SETCHECK, shared::snow_flag ? BST_CHECKED : BST_UNCHECKED, 0);

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
