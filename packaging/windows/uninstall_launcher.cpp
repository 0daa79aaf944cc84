// Uninstall.exe, the command that Add or Remove Programs and deployment
// tools run to remove Frostvale 2026: it runs the setup program's
// uninstaller (uninstaller.exe beside it) from a temporary copy and waits for
// it, so that the command returns only when the work is done, with the
// uninstaller's exit code. (An uninstaller cannot remove the folder it runs
// from, and one started from there hands its work to such a copy and returns
// at once.) This file, which runs while its folder is taken away, only ever
// gets moved out of it; it holds no handle on itself.
//
//   Uninstall.exe [/S]
#include <windows.h>

#include <string>

namespace {

const DWORD exit_failed = 1603;  // Windows Installer's "fatal error"

std::wstring folder_of_this_program() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// The command line after the program's own name, passed on as it stands.
std::wstring arguments() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

DWORD run_uninstaller() {
    const std::wstring folder = folder_of_this_program();
    wchar_t temp_folder[MAX_PATH], copy[MAX_PATH];
    if (folder.empty() || GetTempPathW(MAX_PATH, temp_folder) == 0 ||
        GetTempFileNameW(temp_folder, L"fvu", 0, copy) == 0)
        return exit_failed;
    if (!CopyFileW((folder + L"\\uninstaller.exe").c_str(), copy, FALSE)) {
        DeleteFileW(copy);
        return exit_failed;
    }
    // _?= must come last and unquoted: it names the install folder and keeps
    // the uninstaller from handing its work to yet another copy
    std::wstring command = L"\"" + std::wstring(copy) + L"\" " + arguments() + L" _?=" + folder;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD code = exit_failed;
    if (CreateProcessW(copy, &command[0], nullptr, nullptr, FALSE, 0, nullptr, temp_folder,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (!DeleteFileW(copy)) MoveFileExW(copy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // only the system folder for any library loaded later (Windows 7 has
    // the call only with its 2011 loader update)
    typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
    const auto set_default_directories = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                    "SetDefaultDllDirectories")));
    if (set_default_directories) set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return static_cast<int>(run_uninstaller());
}
