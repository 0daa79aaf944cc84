// The one module that puts an output file at the path the user named: a
// capture's bytes (write_capture_file) and, on Linux, a finished video
// (put_output_file). POSIX in output_file_posix.cpp, Win32 in
// output_file_win32.cpp; the core links the one for its platform.
//
// The rules, the same for every output and on both platforms: the path is
// opened through the system's own path walk, so its rules for links and
// permissions decide (a link is never read and followed by hand). Where
// nothing stands, or a regular file of the name's own (one link), the
// output is made whole under a hidden name beside it (".frostvale-" and a
// random part) and moved over the name once every byte is on disk: a
// failure, or a stop signal, leaves what stood there and no file of the
// writer's. The replacing file takes the old one's permission bits without
// set-uid, set-gid and sticky, and its owner and group where the user may
// give them (root).
// The one rule for links: whatever is not the name's own file is written
// in place, never replaced, so that the link and the other names stay
// what they are: a symbolic link to a file, a file with other hard links
// (the bytes go into the file they share, its space reserved first and
// stop signals held off until every byte is written), a device or a FIFO
// (the bytes go into it). A symbolic link to nothing and a folder are
// refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace host {

// What kept an output (a capture, a video) from being written.
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

// What stands at an output's path, by the rules above. POSIX only.
enum class OutputTarget {
    replaced,         // nothing, or a regular file of its own: replaced whole
    in_place,         // a link to a file, a file with other hard links, a device, a FIFO
    link_to_nothing,  // refused
    folder,           // refused (error: EISDIR)
    unreadable,       // its folder cannot be read (error says why)
};
OutputTarget output_target(const char* path, int* error);

// Puts the finished file made (its name in the folder made_folder, which
// must lie beside path, on the same file system) at path by the rules
// above: moved over a name of its own, else copied in place; the folder's
// entry on disk afterwards. POSIX only. made is gone afterwards when it
// was moved.
CaptureError put_output_file(const char* path, int made_folder, const char* made);

}  // namespace host
