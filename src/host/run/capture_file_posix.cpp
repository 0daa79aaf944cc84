#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "host/run/capture_file.h"

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
CaptureError write_in_place(int folder, const char* name, bool through_link, const uint8_t* head, size_t head_size,
                            const uint8_t* body, size_t body_size) {
    const int fd = openat(folder, name, O_WRONLY | O_CLOEXEC | O_NOCTTY | (through_link ? 0 : O_NOFOLLOW));
    if (fd < 0) return {through_link && errno == ENOENT ? CaptureFault::link_to_nothing : CaptureFault::file, errno};
    struct stat status;
    bool ok = fstat(fd, &status) == 0;
    if (ok && S_ISREG(status.st_mode)) {
        const off_t size = static_cast<off_t>(head_size + body_size);
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
        // the space first: a full disk then fails before the first byte
        if (fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) ok = false;
#endif
        hold_stop_signals(true);
        ok = ok && write_fully(fd, head, head_size) && write_fully(fd, body, body_size) && ftruncate(fd, size) == 0 &&
             fsync(fd) == 0;
        // no set-id bits on a file the program wrote (only root keeps them
        // through a write)
        if (ok && (status.st_mode & 07000) != 0 && fchmod(fd, status.st_mode & 0777) != 0) {
            // not the owner: the write itself took the bits away
        }
        hold_stop_signals(false);
    } else {
        ok = ok && write_fully(fd, head, head_size) && write_fully(fd, body, body_size);
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

CaptureError write_capture_file(const char* path, const uint8_t* head, size_t head_size, const uint8_t* body,
                                size_t body_size) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    if (*name == '\0') name = ".";  // "folder/": the folder itself
    const int folder = open(path_folder(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return {CaptureFault::folder, errno};
    struct stat status;
    CaptureError result;
    if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        result = errno == ENOENT ? replace(folder, name, nullptr, head, head_size, body, body_size)
                                 : CaptureError{CaptureFault::file, errno};
    } else if (S_ISREG(status.st_mode) && status.st_nlink == 1) {
        result = replace(folder, name, &status, head, head_size, body, body_size);
    } else {
        result = write_in_place(folder, name, S_ISLNK(status.st_mode), head, head_size, body, body_size);
    }
    close(folder);
    return result;
}

}  // namespace host
