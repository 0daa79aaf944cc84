#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/run/capture_file.h"

namespace host {

PathKind inspect_path(const char* path, std::string* file) {
    *file = path;
    struct stat status;
    if (stat(path, &status) != 0) {
        if (lstat(path, &status) != 0) return PathKind::absent;
        // a link whose target is missing: the new file takes the target's
        // place, found by following the links one by one
        for (int hops = 0; hops < 40 && S_ISLNK(status.st_mode); ++hops) {
            char target[PATH_MAX];
            const ssize_t length = readlink(file->c_str(), target, sizeof target - 1);
            if (length < 0) return PathKind::other;
            target[length] = 0;
            const size_t slash = file->rfind('/');
            *file = target[0] == '/' || slash == std::string::npos ? std::string(target)
                                                                    : file->substr(0, slash + 1) + target;
            if (lstat(file->c_str(), &status) != 0) return PathKind::absent;
        }
        *file = path;
        return PathKind::other;
    }
    if (!S_ISREG(status.st_mode)) return PathKind::other;
    char* resolved = realpath(path, nullptr);
    if (!resolved) return PathKind::absent;
    *file = resolved;
    free(resolved);
    return PathKind::regular;
}

FILE* create_new_file(const std::string& name, const std::string& like) {
    struct stat status;
    const mode_t mode = !like.empty() && stat(like.c_str(), &status) == 0 ? status.st_mode & 07777 : 0666;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        close(fd);
        unlink(name.c_str());
        errno = error;
    }
    return file;
}

bool flush_file(FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool replace_file(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace host
