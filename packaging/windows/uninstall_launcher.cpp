// Uninstall.exe, the command that Add or Remove Programs and deployment
// tools run to remove Frostvale 2026: it runs the setup program's
// uninstaller (uninstaller.exe beside it) from a temporary copy and waits for
// it, so that the command returns only when the work is done, with the
// uninstaller's exit code. (An uninstaller cannot remove the folder it runs
// from, and one started from there hands its work to such a copy and returns
// at once.)
//
//   Uninstall.exe [/S]    as the user: the copy goes to the user's
//                         temporary folder and does the user's steps
//   Uninstall.exe /MACHINE
//                         elevated, started by that copy: the machine-wide
//                         part, from a copy in a new folder under the
//                         Windows folder's Temp that only administrators can
//                         write to (code running elevated never comes from
//                         a folder the user could change)
//
// Each copy is deleted when it ends, or at the restart where it cannot be.
// This file, which runs while its folder is taken away, only ever gets moved
// out of it (into the elevated copy's folder); it holds no handle on itself.
#include <windows.h>

#include <sddl.h>

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

void delete_now_or_at_restart(const std::wstring& path) {
    if (!DeleteFileW(path.c_str())) MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A new folder under the Windows folder's Temp that only administrators and
// the system can open, owned by the administrators (so that no user can
// change that). Never an existing folder: one made by someone else is
// passed over. Empty when none could be made (not elevated, say).
std::wstring make_administrators_folder() {
    wchar_t windows[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return L"";
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    std::wstring folder;
    for (DWORD attempt = 0; attempt < 16 && folder.empty(); ++attempt) {
        const std::wstring name = std::wstring(windows) + L"\\Temp\\Frostvale2026-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(name.c_str(), &attributes)) folder = name;
        else if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    LocalFree(descriptor);
    return folder;
}

// Runs the uninstaller's copy with the arguments and waits for it; its exit
// code.
DWORD run_copy(const std::wstring& copy, const std::wstring& args, const std::wstring& folder) {
    // _?= must come last and unquoted: it names the install folder and keeps
    // the uninstaller from handing its work to yet another copy
    std::wstring command = L"\"" + copy + L"\" " + args + L" _?=" + folder;
    const std::wstring copy_folder = copy.substr(0, copy.find_last_of(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD code = exit_failed;
    if (CreateProcessW(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, copy_folder.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return code;
}

// As the user: a copy in the user's temporary folder.
DWORD run_uninstaller(const std::wstring& folder) {
    wchar_t temp_folder[MAX_PATH], copy[MAX_PATH];
    if (GetTempPathW(MAX_PATH, temp_folder) == 0 || GetTempFileNameW(temp_folder, L"fvu", 0, copy) == 0)
        return exit_failed;
    DWORD code = exit_failed;
    if (CopyFileW((folder + L"\\uninstaller.exe").c_str(), copy, FALSE)) code = run_copy(copy, arguments(), folder);
    delete_now_or_at_restart(copy);
    return code;
}

// Elevated: a copy in a folder of its own that only administrators can
// write to. The uninstaller moves this program's file there too.
DWORD run_machine_part(const std::wstring& folder) {
    const std::wstring own = make_administrators_folder();
    if (own.empty()) return exit_failed;
    const std::wstring copy = own + L"\\uninstaller.exe";
    DWORD code = exit_failed;
    if (CopyFileW((folder + L"\\uninstaller.exe").c_str(), copy.c_str(), TRUE))
        code = run_copy(copy, L"/S /MACHINE", folder);
    delete_now_or_at_restart(copy);
    const std::wstring moved = own + L"\\Uninstall.exe";
    if (GetFileAttributesW(moved.c_str()) != INVALID_FILE_ATTRIBUTES) delete_now_or_at_restart(moved);
    // after the files in it, at the restart
    if (!RemoveDirectoryW(own.c_str())) MoveFileExW(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // only the system folder for any library loaded later (Windows 7 has
    // the call only with its 2011 loader update)
    typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
    const auto set_default_directories = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set_default_directories) set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::wstring folder = folder_of_this_program();
    if (folder.empty()) return static_cast<int>(exit_failed);
    const bool machine = arguments() == L"/MACHINE";
    return static_cast<int>(machine ? run_machine_part(folder) : run_uninstaller(folder));
}
