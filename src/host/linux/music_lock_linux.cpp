#include "host/linux/music_lock_linux.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace host {

std::string canonical_display(const char* display_name) {
    const char* colon = std::strrchr(display_name, ':');
    if (!colon) return display_name;
    std::string host(display_name, colon);
    if (host.size() >= 5 && host.compare(host.size() - 5, 5, "/unix") == 0) host.resize(host.size() - 5);
    if (host == "unix" || host == "localhost") host.clear();
    const char* dot = std::strchr(colon, '.');
    return host + std::string(colon, dot ? dot : colon + std::strlen(colon));
}

std::string canonical_wayland_display(const char* wayland_display, const char* runtime_dir) {
    const std::string name = wayland_display && *wayland_display ? wayland_display : "wayland-0";
    if (name[0] == '/') return "wayland:" + name;
    return "wayland:" + std::string(runtime_dir ? runtime_dir : "") + "/" + name;
}

bool take_music_lock(const std::string& display_key) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // the abstract namespace: a name that starts with a zero byte
    const std::string name = "frostvale-music-" + std::to_string(getuid()) + "-" + display_key;
    const size_t length = 1 + std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length - 1);
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    const int lock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (lock < 0) return true;  // no sockets to share a lock with: play
    if (bind(lock, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        listen(lock, 8);
        return true;  // held open until the process ends
    }
    close(lock);
    // a sandbox that refuses sockets leaves the music to the run
    if (errno != EADDRINUSE) return true;
    // the name is taken: silent only for a holder of this user that answers
    const int asker = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (asker < 0) return true;
    ucred holder = {};
    socklen_t holder_size = sizeof holder;
    const bool ours = connect(asker, reinterpret_cast<const sockaddr*>(&address), size) == 0 &&
                      getsockopt(asker, SOL_SOCKET, SO_PEERCRED, &holder, &holder_size) == 0 && holder.uid == getuid();
    close(asker);
    return !ours;
}

}  // namespace host
