#include <errno.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "host/run/capture_file.h"

namespace host {

PathKind inspect_path(const char* path, std::string* file) {
    *file = path;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::absent;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::other;
    const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return PathKind::regular;
    // NUL, CON and the other devices are no disk files
    const DWORD type = GetFileType(handle);
    // the file itself, where path is a link to it
    char final_path[MAX_PATH + 8];
    const DWORD length = GetFinalPathNameByHandleA(handle, final_path, sizeof final_path, FILE_NAME_NORMALIZED);
    if (type == FILE_TYPE_DISK && length > 0 && length < sizeof final_path) *file = final_path;
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? PathKind::regular : PathKind::other;
}

FILE* create_new_file(const std::string& name, const std::string&) {
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EACCES;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
    FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0) {
            _close(fd);  // and the handle with it
        } else {
            CloseHandle(handle);
        }
        DeleteFileA(name.c_str());
        errno = ENOMEM;
    }
    return file;
}

bool flush_file(FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool replace_file(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = EACCES;
    return false;
}

}  // namespace host
