// Test driver: plays the screensaver host and the user for the end-to-end
// tests. Runs a list of commands separated by ";" arguments and prints one
// line per command, for the test scripts to read:
//
//   frostvale-testdriver [--out=FILE] host 152 112 ; spawn "Frostvale2026.scr /p {host}" ;
//       wait-window Frostvale2026 5000 ; destroy-host ; wait-exit 5000
//
// {host} and {owner} in a spawn command line stand for the windows made by
// the host and owner commands.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const wchar_t settings_key[] = L"Software\\Zentrel3D\\Frostvale2026";

HWND host_window = nullptr;
HWND owner_window = nullptr;
HWND target = nullptr;  // the window found by wait-window
PROCESS_INFORMATION process = {};
DWORD spawn_tick = 0;

std::string narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += static_cast<char>(c < 128 ? c : '?');
    return s;
}

unsigned long long handle_number(HWND w) { return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)); }

void pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

HWND make_window(const wchar_t* title, int width, int height) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"FrostvaleTestHost";
    RegisterClassW(&wc);
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = CreateWindowExW(0, L"FrostvaleTestHost", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    pump(50);
    return w;
}

std::wstring expand(std::wstring s) {
    const struct {
        const wchar_t* name;
        HWND window;
    } names[] = {{L"{host}", host_window}, {L"{owner}", owner_window}};
    for (const auto& n : names) {
        for (size_t at; (at = s.find(n.name)) != std::wstring::npos;) {
            s.replace(at, wcslen(n.name), std::to_wstring(handle_number(n.window)));
        }
    }
    return s;
}

void print_window(HWND w) {
    RECT outer, client;
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    POINT in_parent = {outer.left, outer.top};  // a child's place in its parent's client area
    if (GetParent(w)) ScreenToClient(GetParent(w), &in_parent);
    std::printf(
        "window=1 x=%ld y=%ld in_parent_x=%ld in_parent_y=%ld width=%ld height=%ld client_width=%ld client_height=%ld "
        "style=0x%08lX exstyle=0x%08lX parent=%llu owner=%llu topmost=%d\n",
        outer.left, outer.top, in_parent.x, in_parent.y, outer.right - outer.left, outer.bottom - outer.top,
        client.right, client.bottom, static_cast<unsigned long>(GetWindowLongW(w, GWL_STYLE)),
        static_cast<unsigned long>(GetWindowLongW(w, GWL_EXSTYLE)), handle_number(GetParent(w)),
        handle_number(GetWindow(w, GW_OWNER)), (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
}

HWND find_window(const std::wstring& window_class) {
    if (host_window) {
        if (HWND child = FindWindowExW(host_window, nullptr, window_class.c_str(), nullptr)) return child;
    }
    return FindWindowW(window_class.c_str(), nullptr);
}

bool process_alive() { return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

// Whether the process that owns w still runs: a window of a process just
// killed (the previous test's saver) can linger for a moment after it.
bool owner_alive(HWND w) {
    DWORD owner_id = 0;
    GetWindowThreadProcessId(w, &owner_id);
    const HANDLE owner = OpenProcess(SYNCHRONIZE, FALSE, owner_id);
    if (!owner) return false;
    const bool alive = WaitForSingleObject(owner, 0) == WAIT_TIMEOUT;
    CloseHandle(owner);
    return alive;
}

void reg_get(const std::wstring& name) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("reg %s nokey\n", narrow(name).c_str());
        return;
    }
    BYTE data[64];
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS) {
        std::printf("reg %s absent\n", narrow(name).c_str());
    } else {
        unsigned long long value = 0;
        for (DWORD i = 0; i < size && i < 8; ++i) value |= static_cast<unsigned long long>(data[i]) << (8 * i);
        std::printf("reg %s type=%lu size=%lu value=%llu\n", narrow(name).c_str(), static_cast<unsigned long>(type),
                    static_cast<unsigned long>(size), value);
    }
    RegCloseKey(key);
}

void reg_set(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    std::printf("ok\n");
}

// The handles a process holds, from the system's handle table (Wine answers
// GetProcessHandleCount with 0 for every process).
unsigned long handle_count(DWORD process_id) {
    struct HandleEntry {
        USHORT process_id;
        USHORT back_trace;
        UCHAR object_type;
        UCHAR flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    typedef LONG(WINAPI * QuerySystem)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QuerySystem>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<ULONG_PTR> table(1 << 20);  // 8 MiB, aligned for the entries
    const ULONG system_handle_information = 16;
    if (!query || query(system_handle_information, table.data(), static_cast<ULONG>(table.size() * sizeof(ULONG_PTR)),
                        nullptr) != 0)
        return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(table.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(table.data() + 1);
    unsigned long held = 0;
    for (ULONG i = 0; i < count; ++i) held += entries[i].process_id == static_cast<USHORT>(process_id);
    return held;
}

// WM_DISPLAYCHANGE messages that the listen command's window has seen.
int display_changes = 0;

LRESULT CALLBACK listener_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DISPLAYCHANGE) ++display_changes;
    return DefWindowProcW(window, message, wparam, lparam);
}

BOOL CALLBACK print_monitor(HMONITOR, HDC, LPRECT r, LPARAM) {
    std::printf(" %ld,%ld,%ld,%ld", r->left, r->top, r->right, r->bottom);
    return TRUE;
}

// Runs one command; returns false on an unknown command.
bool run(const std::vector<std::wstring>& a) {
    const std::wstring& c = a[0];
    auto num = [&](size_t i) { return i < a.size() ? _wtoi64(a[i].c_str()) : 0; };
    if (c == L"host" || c == L"owner") {
        HWND w = make_window(c == L"host" ? L"Test host" : L"Test owner", static_cast<int>(num(1)),
                             static_cast<int>(num(2)));
        (c == L"host" ? host_window : owner_window) = w;
        std::printf("%s=%llu\n", narrow(c).c_str(), handle_number(w));
    } else if (c == L"spawn") {
        std::wstring line = expand(a[1]);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        spawn_tick = GetTickCount();
        const BOOL ok = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process);
        std::printf("spawned=%d\n", ok ? 1 : 0);
    } else if (c == L"wait-window") {
        const DWORD start = GetTickCount();
        target = nullptr;
        // found once shown: the settings window is shown only when it is set up
        while (!((target = find_window(a[1])) && IsWindowVisible(target) && owner_alive(target)) &&
               GetTickCount() - start < num(2))
            pump(20);
        if (target && !(IsWindowVisible(target) && owner_alive(target))) target = nullptr;
        if (target) {
            print_window(target);
        } else {
            std::printf("window=0\n");
        }
    } else if (c == L"info") {
        if (target && IsWindow(target)) {
            print_window(target);
        } else {
            std::printf("window=0\n");
        }
    } else if (c == L"title") {
        wchar_t text[256] = {};
        GetWindowTextW(target, text, 256);
        std::printf("title=%s\n", narrow(text).c_str());
    } else if (c == L"class-cursor") {
        std::printf("class_cursor=%llu\n", static_cast<unsigned long long>(GetClassLongPtrW(target, GCLP_HCURSOR)));
    } else if (c == L"post" || c == L"send") {
        const UINT message = static_cast<UINT>(num(1));
        const WPARAM wparam = static_cast<WPARAM>(num(2));
        const LPARAM lparam = static_cast<LPARAM>(num(3));
        if (c == L"post") {
            PostMessageW(target, message, wparam, lparam);
        } else {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(target, message, wparam, lparam, SMTO_NORMAL, 3000, &result);
        }
        std::printf("ok\n");
    } else if (c == L"cursor") {
        SetCursorPos(static_cast<int>(num(1)), static_cast<int>(num(2)));
        POINT at;
        GetCursorPos(&at);
        // the saver reads the cursor itself; the message only prompts it
        PostMessageW(target, WM_MOUSEMOVE, 0, 0);
        std::printf("cursor x=%ld y=%ld\n", at.x, at.y);
    } else if (c == L"sleep") {
        pump(static_cast<DWORD>(num(1)));
        std::printf("ok\n");
    } else if (c == L"wait-ready") {
        // a sent message is answered only once the program pumps its queue,
        // which the saver first does in its frame loop, after the scene is built
        DWORD_PTR result = 0;
        const LRESULT answered =
            SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(num(1)), &result);
        std::printf("ready=%d ms=%lu\n", answered ? 1 : 0, static_cast<unsigned long>(GetTickCount() - spawn_tick));
    } else if (c == L"alive") {
        std::printf("alive=%d\n", process_alive() ? 1 : 0);
    } else if (c == L"wait-exit") {
        const DWORD start = GetTickCount();
        while (process_alive() && GetTickCount() - start < num(1)) pump(5);
        DWORD code = 0;
        if (process_alive()) {
            std::printf("exit=timeout\n");
        } else {
            GetExitCodeProcess(process.hProcess, &code);
            std::printf("exit=%lu ms=%lu\n", static_cast<unsigned long>(code),
                        static_cast<unsigned long>(GetTickCount() - start));
        }
    } else if (c == L"kill") {
        if (process_alive()) TerminateProcess(process.hProcess, 99);
        std::printf("ok\n");
    } else if (c == L"resize") {
        // the client area to W x H, through the window manager of Windows
        RECT r = {0, 0, static_cast<LONG>(num(1)), static_cast<LONG>(num(2))};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(target, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(target, GWL_EXSTYLE)));
        SetWindowPos(target, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client;
        GetClientRect(target, &client);
        std::printf("client_width=%ld client_height=%ld\n", client.right, client.bottom);
    } else if (c == L"handles") {
        std::printf("handles=%lu\n", static_cast<unsigned long>(handle_count(process.dwProcessId)));
    } else if (c == L"display-state") {
        // A power-setting report lives in the receiver's memory and is not
        // carried across processes: write one into the saver's memory and
        // send its address.
        struct {
            GUID setting;
            DWORD length;
            DWORD state;
        } report = {{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
                    sizeof(DWORD),
                    static_cast<DWORD>(num(1))};
        void* remote = VirtualAllocEx(process.hProcess, nullptr, sizeof report, MEM_COMMIT, PAGE_READWRITE);
        DWORD_PTR result = 0;
        if (remote && WriteProcessMemory(process.hProcess, remote, &report, sizeof report, nullptr)) {
            SendMessageTimeoutW(target, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote),
                                SMTO_NORMAL, 3000, &result);
        }
        std::printf("result=%llu\n", static_cast<unsigned long long>(result));
    } else if (c == L"monitors") {
        // left,top,right,bottom of each monitor, in the system's order
        std::printf("monitors");
        EnumDisplayMonitors(nullptr, nullptr, print_monitor, 0);
        std::printf("\n");
    } else if (c == L"listen") {
        // a hidden top-level window that counts the system's WM_DISPLAYCHANGE
        // messages, as every top-level window gets them
        WNDCLASSW wc = {};
        wc.lpfnWndProc = listener_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FrostvaleTestListener";
        RegisterClassW(&wc);
        const HWND w = CreateWindowExW(0, L"FrostvaleTestListener", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
        std::printf("listening=%d\n", w ? 1 : 0);
    } else if (c == L"display-changes") {
        pump(50);
        std::printf("display_changes=%d\n", display_changes);
    } else if (c == L"display-mode") {
        // the primary display to W x H, as the display settings would set it
        DEVMODEW mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(num(1));
        mode.dmPelsHeight = static_cast<DWORD>(num(2));
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        std::printf("changed=%ld\n", static_cast<long>(ChangeDisplaySettingsW(&mode, 0)));
    } else if (c == L"wait-file") {
        // until the test script makes the file (it has done its part), pumping
        const DWORD start = GetTickCount();
        while (GetFileAttributesW(a[1].c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < num(2)) pump(20);
        std::printf("found=%d\n", GetFileAttributesW(a[1].c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0);
    } else if (c == L"hold") {
        // opens a file as a virus scanner might, sharing it only for
        // reading, until the driver ends: it can be neither replaced,
        // moved nor deleted meanwhile
        const HANDLE file =
            CreateFileW(a[1].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::printf("held=%d\n", file != INVALID_HANDLE_VALUE ? 1 : 0);
    } else if (c == L"dpi-awareness") {
        // the DPI awareness of the process that owns the found window: 0
        // unaware, 1 system, 2 per monitor (Wine 8 keeps no version of it)
        typedef void*(WINAPI * WindowContext)(HWND);
        typedef int(WINAPI * Awareness)(void*);
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        const auto window_context = reinterpret_cast<WindowContext>(
            reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
        const auto awareness = reinterpret_cast<Awareness>(
            reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
        if (window_context && awareness && target) {
            std::printf("awareness=%d\n", awareness(window_context(target)));
        } else {
            std::printf("awareness=unknown\n");
        }
    } else if (c == L"destroy-host") {
        DestroyWindow(host_window);
        std::printf("ok\n");
    } else if (c == L"check") {
        std::printf("check %lld=%d\n", num(1),
                    static_cast<int>(SendMessageW(GetDlgItem(target, static_cast<int>(num(1))), BM_GETCHECK, 0, 0)));
    } else if (c == L"click") {
        // sent, as automation tools do
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(target, static_cast<int>(num(1))), BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &result);
        std::printf("ok\n");
    } else if (c == L"key-to-control") {
        // a key press as the dialog's own queue sees it, aimed at one control
        HWND control = GetDlgItem(target, static_cast<int>(num(1)));
        PostMessageW(control, WM_KEYDOWN, static_cast<WPARAM>(num(2)), 0);
        PostMessageW(control, WM_KEYUP, static_cast<WPARAM>(num(2)), 0xC0000000);
        std::printf("ok\n");
    } else if (c == L"control") {
        HWND control = GetDlgItem(target, static_cast<int>(num(1)));
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, target, reinterpret_cast<POINT*>(&r), 2);
        wchar_t text[256] = {};
        GetWindowTextW(control, text, 256);
        std::printf("control %lld x=%ld y=%ld width=%ld height=%ld style=0x%08lX text=%s\n", num(1), r.left, r.top,
                    r.right - r.left, r.bottom - r.top, static_cast<unsigned long>(GetWindowLongW(control, GWL_STYLE)),
                    narrow(text).c_str());
    } else if (c == L"wait-text") {
        // until control ID shows TEXT (an installer's button turning to
        // "&Finish"), at most MS milliseconds
        const DWORD start = GetTickCount();
        wchar_t text[256] = {};
        do {
            pump(20);
            GetWindowTextW(GetDlgItem(target, static_cast<int>(num(1))), text, 256);
        } while (a[2] != text && GetTickCount() - start < num(3));
        std::printf("text=%s\n", narrow(text).c_str());
    } else if (c == L"owner-state") {
        std::printf("owner enabled=%d foreground=%d\n", IsWindowEnabled(owner_window) ? 1 : 0,
                    GetForegroundWindow() == owner_window ? 1 : 0);
    } else if (c == L"reg-delete") {
        RegDeleteKeyW(HKEY_CURRENT_USER, settings_key);
        std::printf("ok\n");
    } else if (c == L"reg-get") {
        reg_get(a[1]);
    } else if (c == L"reg-dword") {
        const DWORD v = static_cast<DWORD>(num(2));
        reg_set(a[1], REG_DWORD, &v, sizeof v);
    } else if (c == L"reg-qword") {
        const unsigned long long v = static_cast<unsigned long long>(num(2));
        reg_set(a[1], REG_QWORD, &v, sizeof v);
    } else if (c == L"reg-sz") {
        reg_set(a[1], REG_SZ, a[2].c_str(), static_cast<DWORD>((a[2].size() + 1) * sizeof(wchar_t)));
    } else if (c == L"reg-binary") {
        // hex bytes, e.g. 0100
        std::vector<BYTE> bytes;
        for (size_t i = 0; i + 1 < a[2].size(); i += 2) {
            bytes.push_back(static_cast<BYTE>(wcstoul(a[2].substr(i, 2).c_str(), nullptr, 16)));
        }
        reg_set(a[1], REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    } else {
        return false;
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // --out=FILE: the lines go to FILE, so that the caller need not hold a
    // pipe that Wine's own background processes inherit
    int first = 1;
    if (argc > 1 && wcsncmp(argv[1], L"--out=", 6) == 0) {
        if (!_wfreopen(argv[1] + 6, L"w", stdout)) return 3;
        first = 2;
    }
    std::vector<std::wstring> command;
    for (int i = first; i <= argc; ++i) {
        if (i == argc || std::wstring(argv[i]) == L";") {
            if (!command.empty() && !run(command)) {
                std::printf("unknown command %s\n", narrow(command[0]).c_str());
                return 2;
            }
            command.clear();
        } else {
            command.push_back(argv[i]);
        }
    }
    if (process.hProcess && process_alive()) TerminateProcess(process.hProcess, 99);
    return 0;
}
