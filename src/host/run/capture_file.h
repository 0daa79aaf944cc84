// The capture file's platform half: what stands at the path, a new file
// beside it, and the move that puts the new file in its place. POSIX in
// capture_file_posix.cpp, Win32 in capture_file_win32.cpp; the core links
// the one for its platform. Each sets errno when it fails.
#pragma once
#include <cstdio>
#include <string>

namespace host {

enum class PathKind {
    absent,   // nothing there, also behind symbolic links to nothing
    regular,  // a regular file, also behind symbolic links
    other,    // a device, a FIFO, a folder: written in place
};

// What stands at path, links followed. For a regular file or a link to
// nothing, file receives the path where the new file must stand (the
// link's target, so the link stays); otherwise path as it stands.
PathKind inspect_path(const char* path, std::string* file);

// Creates name, which must not exist yet, for writing in binary, with the
// permissions of the regular file like (none: the defaults of a new file).
// Null when it exists or cannot be made.
FILE* create_new_file(const std::string& name, const std::string& like);

// Flushes file's buffers and asks the system to put its bytes on disk.
bool flush_file(FILE* file);

// Moves from over to, replacing to at once (never a moment without it).
bool replace_file(const std::string& from, const std::string& to);

}  // namespace host
