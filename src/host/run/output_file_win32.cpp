#include <windows.h>
#include <errno.h>

#include <cstring>
#include <string>

#include "host/run/output_file.h"

namespace host {

namespace {

// The UTF-8 name as the system's wide one, exactly; false for bytes that
// are no UTF-8.
bool wide_name(const std::string& name, std::wstring* wide) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.c_str(), -1, nullptr, 0);
    if (length <= 0) return false;
    wide->resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.c_str(), -1, &(*wide)[0], length);
    wide->resize(static_cast<size_t>(length) - 1);
    return true;
}

int errno_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EACCES;
        default:
            return EIO;
    }
}

CaptureError failed(CaptureFault fault) { return {fault, errno_of(GetLastError())}; }

bool write_all(HANDLE file, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const DWORD part = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, part, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

// A new file with a short hidden name beside file (".frostvale-" and a
// random part), written whole, then moved over file.
CaptureError replace(const std::wstring& file, const uint8_t* head, size_t head_size, const uint8_t* body,
                     size_t body_size) {
    const size_t slash = file.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1);
    std::wstring temporary;
    HANDLE out = INVALID_HANDLE_VALUE;
    uint64_t bits = GetTickCount64() * 2654435761u ^ static_cast<uint64_t>(GetCurrentProcessId()) << 20;
    for (int attempt = 0; attempt < 100 && out == INVALID_HANDLE_VALUE; ++attempt) {
        static const wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
        temporary = folder + L".frostvale-";
        bits = bits * 6364136223846793005u + 1442695040888963407u;
        for (uint64_t part = bits >> 16, i = 0; i < 8; ++i, part /= 36) temporary += letters[part % 36];
        out = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (out == INVALID_HANDLE_VALUE) return failed(CaptureFault::folder);
    bool ok = write_all(out, head, head_size) && write_all(out, body, body_size) && FlushFileBuffers(out);
    DWORD error = GetLastError();
    if (!CloseHandle(out) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok && !MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        error = GetLastError();
    }
    if (ok) return {CaptureFault::none, 0};
    DeleteFileW(temporary.c_str());
    return {CaptureFault::file, errno_of(error)};
}

}  // namespace

std::string path_folder(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    if (const char* other = std::strrchr(path, '/'); other > slash) slash = other;
    return slash ? std::string(path, slash == path ? slash + 1 : slash) : ".";
}

CaptureError write_capture_file(const char* path, const uint8_t* head, size_t head_size, const uint8_t* body,
                                size_t body_size) {
    std::wstring file;
    if (!wide_name(path, &file)) return {CaptureFault::file, EINVAL};
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return failed(CaptureFault::folder);
        return replace(file, head, head_size, body, body_size);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {CaptureFault::file, EISDIR};
    // what stands there, through the system's own walk (links followed)
    const HANDLE existing = CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (existing == INVALID_HANDLE_VALUE) return failed(CaptureFault::file);
    const DWORD type = GetFileType(existing);
    if (type == FILE_TYPE_DISK) {
        // the file itself, where the name is a link to it: the link stays
        std::wstring final_path(32768, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(existing, &final_path[0], 32768, FILE_NAME_NORMALIZED);
        CloseHandle(existing);
        if (length > 0 && length < 32768) file = final_path.substr(0, length);
        return replace(file, head, head_size, body, body_size);
    }
    CloseHandle(existing);
    // NUL, CON and the other devices take the bytes in place
    const HANDLE device = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return failed(CaptureFault::file);
    const bool ok = write_all(device, head, head_size) && write_all(device, body, body_size);
    const CaptureError result = ok ? CaptureError{CaptureFault::none, 0} : failed(CaptureFault::file);
    CloseHandle(device);
    return result;
}

}  // namespace host
