#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "host/run/output_file.h"

namespace host {

namespace {

// Owned here: the new file being written, for the stop handler: its
// folder's descriptor (-1: none) and its name. Written only while the stop
// signals are blocked; read by the handler.
volatile sig_atomic_t pending_folder = -1;
char pending_name[32];

// What ends a capture from outside: XScreenSaver or a shell (SIGTERM), a
// terminal (SIGINT, SIGHUP).
constexpr int stop_signals[] = {SIGTERM, SIGINT, SIGHUP};

void remove_pending_and_stop(int signal_number) {
    if (pending_folder >= 0) unlinkat(pending_folder, pending_name, 0);
    signal(signal_number, SIG_DFL);
    raise(signal_number);  // delivered as the handler returns
}

// Blocks the stop signals (block true) or lets them in again.
void hold_stop_signals(bool block) {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : stop_signals) sigaddset(&set, number);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// The bytes an output is made of: head and body in memory, or a finished
// file to copy.
struct OutputBytes {
    const uint8_t* head;
    size_t head_size;
    const uint8_t* body;
    size_t body_size;
    int file;  // a finished file's descriptor, -1 for the bytes in memory
    off_t file_size;
};

off_t output_size(const OutputBytes& bytes) {
    return bytes.file >= 0 ? bytes.file_size : static_cast<off_t>(bytes.head_size + bytes.body_size);
}

// Writes the output's bytes to fd; false on a failure (errno says why).
bool write_output(int fd, const OutputBytes& bytes) {
    if (bytes.file < 0)
        return write_fully(fd, bytes.head, bytes.head_size) && write_fully(fd, bytes.body, bytes.body_size);
    uint8_t buffer[1 << 16];
    for (off_t at = 0; at < bytes.file_size;) {
        const ssize_t count = pread(bytes.file, buffer, sizeof buffer, at);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (count == 0) errno = EIO;  // the file shrank
            return false;
        }
        if (!write_fully(fd, buffer, static_cast<size_t>(count))) return false;
        at += count;
    }
    return true;
}

// Closes fd; a failure to close (a full disk can show only then) fails
// ok, keeping the first errno.
bool close_checked(int fd, bool ok) {
    const int error = errno;
    const bool closed = close(fd) == 0;
    if (ok && !closed) return false;
    errno = error;
    return ok;
}

// A short name that always fits the file system's limit: hidden, with a
// random part, as mkstemp makes one.
void make_temporary_name(char name[32], unsigned attempt) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t bits = static_cast<uint64_t>(now.tv_nsec) * 2654435761u ^ static_cast<uint64_t>(getpid()) << 20 ^
                    static_cast<uint64_t>(now.tv_sec) ^ attempt * 0x9E3779B97F4A7C15u;
    std::strcpy(name, ".frostvale-");
    char* at = name + std::strlen(name);
    for (int i = 0; i < 8; ++i, bits /= 62) *at++ = letters[bits % 62];
    *at = 0;
}

// A new file in folder, written whole, then moved over name. old: what
// stood at name (a regular file of its own), null when nothing did.
CaptureError replace(int folder, const char* name, const struct stat* old, const uint8_t* head, size_t head_size,
                     const uint8_t* body, size_t body_size) {
    struct sigaction handler = {}, previous[3];
    handler.sa_handler = remove_pending_and_stop;
    sigemptyset(&handler.sa_mask);
    hold_stop_signals(true);
    for (int i = 0; i < 3; ++i) {
        sigaction(stop_signals[i], nullptr, &previous[i]);
        // a signal the process ignores (nohup) stays ignored
        if (previous[i].sa_handler != SIG_IGN) sigaction(stop_signals[i], &handler, nullptr);
    }
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        make_temporary_name(pending_name, attempt);
        fd = openat(folder, pending_name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, old ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    CaptureError result = {CaptureFault::folder, errno};
    if (fd >= 0) {
        pending_folder = folder;
        hold_stop_signals(false);
        bool ok = write_fully(fd, head, head_size) && write_fully(fd, body, body_size) && fsync(fd) == 0;
        if (ok && old) {
            // root may give the file back to its owner; anyone else keeps it
            if (fchown(fd, old->st_uid, old->st_gid) != 0) {
            }
            ok = fchmod(fd, old->st_mode & 0777) == 0;
        }
        ok = close_checked(fd, ok);
        hold_stop_signals(true);
        if (ok) ok = renameat(folder, pending_name, folder, name) == 0;
        result = {ok ? CaptureFault::none : CaptureFault::file, ok ? 0 : errno};
        if (!ok) unlinkat(folder, pending_name, 0);
        pending_folder = -1;
    }
    for (int i = 0; i < 3; ++i) sigaction(stop_signals[i], &previous[i], nullptr);
    hold_stop_signals(false);
    return result;
}

// Writes over what stands at name in place: a device or a FIFO, or a
// regular file that is not the name's own to replace.
CaptureError write_in_place(int folder, const char* name, bool through_link, const OutputBytes& bytes) {
    const int fd = openat(folder, name, O_WRONLY | O_CLOEXEC | O_NOCTTY | (through_link ? 0 : O_NOFOLLOW));
    if (fd < 0) return {through_link && errno == ENOENT ? CaptureFault::link_to_nothing : CaptureFault::file, errno};
    struct stat status;
    bool ok = fstat(fd, &status) == 0;
    if (ok && S_ISREG(status.st_mode)) {
        const off_t size = output_size(bytes);
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
        // the space first: a full disk then fails before the first byte
        if (fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) ok = false;
#endif
        hold_stop_signals(true);
        ok = ok && write_output(fd, bytes) && ftruncate(fd, size) == 0 && fsync(fd) == 0;
        // no set-id bits on a file the program wrote (only root keeps them
        // through a write)
        if (ok && (status.st_mode & 07000) != 0 && fchmod(fd, status.st_mode & 0777) != 0) {
            // not the owner: the write itself took the bits away
        }
        hold_stop_signals(false);
    } else {
        ok = ok && write_output(fd, bytes);
    }
    ok = close_checked(fd, ok);
    return {ok ? CaptureFault::none : CaptureFault::file, ok ? 0 : errno};
}

}  // namespace

bool write_fully(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string path_folder(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return !slash ? "." : slash == path ? "/" : std::string(path, slash);
}

namespace {

// The folder of path, open for the *at calls, and the name in it.
int open_output_folder(const char* path, const char** name) {
    const char* slash = std::strrchr(path, '/');
    *name = slash ? slash + 1 : path;
    if (**name == '\0') *name = ".";  // "folder/": the folder itself
    return open(path_folder(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// What stands at name in folder (status, when anything does), by the rules.
OutputTarget classify(int folder, const char* name, struct stat* status, int* error) {
    if (fstatat(folder, name, status, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = errno;
        return errno == ENOENT ? OutputTarget::replaced : OutputTarget::unreadable;
    }
    *error = 0;
    if (S_ISREG(status->st_mode) && status->st_nlink == 1) return OutputTarget::replaced;
    if (S_ISDIR(status->st_mode)) {
        *error = EISDIR;
        return OutputTarget::folder;
    }
    if (S_ISLNK(status->st_mode)) {
        // the kernel's own walk through the link tells what it names
        struct stat named;
        if (fstatat(folder, name, &named, 0) != 0) {
            *error = errno;
            return errno == ENOENT ? OutputTarget::link_to_nothing : OutputTarget::unreadable;
        }
        if (S_ISDIR(named.st_mode)) {
            *error = EISDIR;
            return OutputTarget::folder;
        }
    }
    return OutputTarget::in_place;
}

}  // namespace

OutputTarget output_target(const char* path, int* error) {
    const char* name;
    const int folder = open_output_folder(path, &name);
    if (folder < 0) {
        *error = errno;
        return OutputTarget::unreadable;
    }
    struct stat status;
    const OutputTarget target = classify(folder, name, &status, error);
    close(folder);
    return target;
}

CaptureError write_capture_file(const char* path, const uint8_t* head, size_t head_size, const uint8_t* body,
                                size_t body_size) {
    const char* name;
    const int folder = open_output_folder(path, &name);
    if (folder < 0) return {CaptureFault::folder, errno};
    struct stat status;
    int error = 0;
    CaptureError result;
    switch (classify(folder, name, &status, &error)) {
        case OutputTarget::replaced:
            result = replace(folder, name, error == ENOENT ? nullptr : &status, head, head_size, body, body_size);
            break;
        case OutputTarget::in_place:
        case OutputTarget::folder:  // the open tells why
            result = write_in_place(folder, name, S_ISLNK(status.st_mode),
                                    OutputBytes{head, head_size, body, body_size, -1, 0});
            break;
        case OutputTarget::link_to_nothing:
            result = {CaptureFault::link_to_nothing, error};
            break;
        case OutputTarget::unreadable:
            result = {CaptureFault::file, error};
            break;
    }
    close(folder);
    return result;
}

CaptureError put_output_file(const char* path, int made_folder, const char* made) {
    const char* name;
    const int folder = open_output_folder(path, &name);
    if (folder < 0) return {CaptureFault::folder, errno};
    const int file = openat(made_folder, made, O_RDONLY | O_CLOEXEC);
    struct stat status, made_status;
    int error = 0;
    CaptureError result = {CaptureFault::file, errno};
    const OutputTarget target = file >= 0 ? classify(folder, name, &status, &error) : OutputTarget::unreadable;
    if (file < 0) {
    } else if (target == OutputTarget::replaced) {
        bool ok = fsync(file) == 0;
        if (ok && error != ENOENT) {
            // root may give the file back to its owner; anyone else keeps it
            if (fchown(file, status.st_uid, status.st_gid) != 0) {
            }
            ok = fchmod(file, status.st_mode & 0777) == 0;
        }
        ok = ok && renameat(made_folder, made, folder, name) == 0;
        result = {ok ? CaptureFault::none : CaptureFault::file, ok ? 0 : errno};
        // the new entry on disk too
        const int entry = ok ? openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        if (entry >= 0) {
            fsync(entry);
            close(entry);
        }
    } else if (target == OutputTarget::in_place && fstat(file, &made_status) == 0) {
        result = write_in_place(folder, name, S_ISLNK(status.st_mode),
                                OutputBytes{nullptr, 0, nullptr, 0, file, made_status.st_size});
    } else {
        result = {target == OutputTarget::link_to_nothing ? CaptureFault::link_to_nothing : CaptureFault::file,
                  error ? error : errno};
    }
    if (file >= 0) close(file);
    close(folder);
    return result;
}

}  // namespace host
