// The capture file's platform half: puts the finished bytes at the path
// the user named. POSIX in capture_file_posix.cpp, Win32 in
// capture_file_win32.cpp; the core links the one for its platform.
//
// The rules, the same on both: the path is opened through the system's own
// path walk, so its rules for links and permissions decide (a link is never
// read and followed by hand). Where nothing stands, or a regular file the
// user may replace, the bytes go into a new file with a short hidden name
// beside it (".frostvale-" and a random part), moved over the name once
// every byte is on disk: a failure, or a stop signal during the write,
// leaves what stood there and no file of the writer's. The replacing file
// takes the old one's permission bits without set-uid, set-gid and sticky,
// and its owner and group where the user may give them (root). A regular
// file that is not the name's own (reached through a symbolic link, or
// with other hard links) is written in place, its space reserved first and
// stop signals held off until every byte is written; a symbolic link to
// nothing is refused. A device or a FIFO takes the bytes in place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace host {

// What kept a capture from being written.
enum class CaptureFault {
    none,             // written
    pixels,           // no memory for the pixels (error: ENOMEM)
    file,             // the file could not be made or written (error says why)
    folder,           // the file's folder could not take a new file (error says why)
    link_to_nothing,  // the name is a symbolic link to nothing
};

struct CaptureError {
    CaptureFault fault;
    int error;  // an errno value; 0 when written
};

// The folder that path's file stands in ("." for a bare name).
std::string path_folder(const char* path);

// Writes every byte to the file descriptor fd, writing again after an
// interrupted write; false on a failure (errno says why). POSIX only.
bool write_fully(int fd, const uint8_t* bytes, size_t size);

// Writes head, then body, as the file at path (UTF-8 on Windows).
CaptureError write_capture_file(const char* path, const uint8_t* head, size_t head_size, const uint8_t* body,
                                size_t body_size);

}  // namespace host
