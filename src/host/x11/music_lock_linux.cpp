#include "host/x11/music_lock_linux.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace host {

bool take_music_lock(const char* display_name) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // the abstract namespace: a name that starts with a zero byte
    const char prefix[] = "frostvale-music-";
    std::memcpy(address.sun_path + 1, prefix, sizeof prefix - 1);
    size_t length = 1 + sizeof prefix - 1;
    // the screen number after the display's last dot does not count
    const char* colon = std::strrchr(display_name, ':');
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    const size_t name_length = dot ? static_cast<size_t>(dot - display_name) : std::strlen(display_name);
    for (size_t i = 0; i < name_length && length < sizeof address.sun_path; ++i)
        address.sun_path[length++] = display_name[i];
    const int lock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (lock < 0) return true;  // no sockets to share a lock with: play
    if (bind(lock, reinterpret_cast<const sockaddr*>(&address),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length)) != 0) {
        // only another run holding the name keeps this one silent; a
        // sandbox that refuses sockets leaves the music to the run
        const bool held = errno == EADDRINUSE;
        close(lock);
        return !held;
    }
    return true;  // held open until the process ends
}

}  // namespace host
