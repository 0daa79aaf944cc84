#include "host/win32/process_win32.h"

#include <windows.h>
#include <delayimp.h>

namespace host {

namespace {

// A function of a known system DLL (kernel32, user32) that older Windows
// lacks, or null.
template <typename Function>
Function system_function(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(dll), name)));
}

}  // namespace

}  // namespace host

// MinGW's delay-load helper, and the delay-import descriptors of the three
// DLLs, named after the delay-import libraries (cmake/delay-imports.cmake).
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* entry);
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a;
extern "C" const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_libwinmm_delay_a;
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace host {

namespace {

// Loads the DLL of a delay-import descriptor and binds every function the
// program imports from it.
void bind_delay_imports(const ImgDelayDescr& descriptor) {
    char* base = reinterpret_cast<char*>(&__ImageBase);
    auto* entry = reinterpret_cast<FARPROC*>(base + descriptor.rvaIAT);
    auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor.rvaINT);
    for (; name->u1.AddressOfData; ++name, ++entry) __delayLoadHelper2(&descriptor, entry);
}

}  // namespace

void load_system_libraries() {
    typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
    const auto set_default_directories =
        system_function<SetDefaultDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
    const DWORD search_system32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (!set_default_directories || !set_default_directories(search_system32)) {
        // Windows 7 without its 2011 loader update: at least not the
        // current folder
        SetDllDirectoryW(L"");
    }
    // All bound now, before the first call: a function's first call through
    // MinGW's delay-load stub would lose its floating-point arguments (the
    // stub saves only the integer argument registers).
    bind_delay_imports(__DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a);
    bind_delay_imports(__DELAY_IMPORT_DESCRIPTOR_libglu32_delay_a);
    bind_delay_imports(__DELAY_IMPORT_DESCRIPTOR_libwinmm_delay_a);
}

void declare_dpi_awareness() {
    typedef BOOL(WINAPI * SetAwarenessContext)(HANDLE);
    const auto set_awareness_context =
        system_function<SetAwarenessContext>(L"user32.dll", "SetProcessDpiAwarenessContext");
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; fails harmlessly when the
    // manifest has already declared it
    const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
    if (set_awareness_context) {
        if (!set_awareness_context(per_monitor_v2) && GetLastError() != ERROR_ACCESS_DENIED) SetProcessDPIAware();
    } else {
        SetProcessDPIAware();
    }
}

}  // namespace host
