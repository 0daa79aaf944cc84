/* A stand-in opengl32.dll that a user might find beside the saver (in a
   Downloads folder, say): when loaded it writes the file named by
   FROSTVALE_PLANTED_MARKER, so that a test sees that it was taken instead
   of the system's. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH];
        if (GetEnvironmentVariableW(L"FROSTVALE_PLANTED_MARKER", marker, MAX_PATH)) {
            HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }
    return TRUE;
}
