// The command-line decision: which one action a start takes.
// Pure: it looks at the split argument vector only. Whether a handle names
// a window, the reading of the capture time and the conversion of the file
// name are left to the Win32 entry, which owns those services.
#pragma once
#include <cstdint>

namespace host {

enum class StartAction {
    settings_dialog,  // nothing decisive: the settings window, no owner
    configure,        // /c: the settings window, owned by the handle's window
    change_password,  // /a: answered at once
    preview,          // /p or /l
    full_screen,      // /s
    windowed,         // /w
    capture,          // /x <seconds> <file>
};

struct StartRequest {
    StartAction action;
    bool has_handle;  // /c, /p, /l: some handle text was found
    uint64_t handle;  // its value (0 when the text holds no digits)
    int seconds_arg;  // /x: index of the seconds argument, else -1
    int file_arg;     // /x: index of the file argument, else -1
};

// Scans argv[1..argc-1]: the first argument that decides an action wins;
// non-switches, unknown letters and an /x lacking its two operands are
// passed over. argc below 2, or no decisive switch, asks for the settings
// dialog without an owner. A switch is an argument starting with '/' or
// '-'; only its second character (folded to lower case) is looked at.
StartRequest decide_start(int argc, const wchar_t* const* argv);

// The handle value of a switch's handle text, read as the runtime's
// _wcstoui64(text, no end, 10) reads it: leading white space, an optional
// sign (minus negates modulo 2^64), decimal digits up to the first other
// character; no digits gives 0, overflow gives 2^64 - 1.
uint64_t parse_handle_value(const wchar_t* text);

}  // namespace host
