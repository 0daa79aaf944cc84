#include "host/win32/process_win32.h"

#include <windows.h>

namespace host {

namespace {

// A function of a known system DLL (kernel32, user32) that older Windows
// lacks, or null.
template <typename Function>
Function system_function(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(dll), name)));
}

}  // namespace

void restrict_library_search() {
    typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
    const auto set_default_directories =
        system_function<SetDefaultDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
    const DWORD search_system32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (!set_default_directories || !set_default_directories(search_system32)) {
        // Windows 7 without its 2011 loader update: at least not the
        // current folder
        SetDllDirectoryW(L"");
    }
}

void declare_dpi_awareness() {
    typedef BOOL(WINAPI * SetAwarenessContext)(HANDLE);
    const auto set_awareness_context =
        system_function<SetAwarenessContext>(L"user32.dll", "SetProcessDpiAwarenessContext");
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; fails harmlessly when the
    // manifest has already declared it
    const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
    if (set_awareness_context) {
        if (!set_awareness_context(per_monitor_v2) && GetLastError() != ERROR_ACCESS_DENIED)
            SetProcessDPIAware();
    } else {
        SetProcessDPIAware();
    }
}

}  // namespace host
