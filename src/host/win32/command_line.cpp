#include "host/win32/command_line.h"

#include <cmath>
#include <cwctype>

namespace host {

namespace {

bool is_space(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Handle text of /c, /p, /l at argv[i]: the rest of the switch argument when
// something follows the letter, otherwise the next argument; leading ':'
// and spaces skipped. Null when neither exists.
const wchar_t* handle_text(int argc, const wchar_t* const* argv, int i) {
    const wchar_t* text = nullptr;
    if (argv[i][2] != 0) {
        text = argv[i] + 2;
    } else if (i + 1 < argc) {
        text = argv[i + 1];
    }
    if (text) {
        while (*text == L':' || *text == L' ') ++text;
    }
    return text;
}

}  // namespace

uint64_t parse_handle_value(const wchar_t* text) {
    while (is_space(*text)) ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        const uint64_t digit = static_cast<uint64_t>(*text - L'0');
        if (value > (UINT64_MAX - digit) / 10) overflow = true;
        value = value * 10 + digit;
    }
    if (overflow) return UINT64_MAX;
    return negative ? 0 - value : value;
}

StartRequest decide_start(int argc, const wchar_t* const* argv) {
    StartRequest request{StartAction::settings_dialog, false, 0, -1, -1};
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if ((arg[0] | 2) != L'/') continue;  // only '/' and '-' pass
        switch (std::towlower(static_cast<wint_t>(arg[1]))) {
            case L'a':
                request.action = StartAction::change_password;
                return request;
            case L'c':
            case L'l':
            case L'p': {
                const wchar_t* text = handle_text(argc, argv, i);
                request.action =
                    std::towlower(static_cast<wint_t>(arg[1])) == L'c' ? StartAction::configure : StartAction::preview;
                request.has_handle = text != nullptr;
                request.handle = text ? parse_handle_value(text) : 0;
                return request;
            }
            case L's':
                request.action = StartAction::full_screen;
                return request;
            case L'w':
                request.action = StartAction::windowed;
                return request;
            case L'x':
                if (i + 2 < argc) {
                    request.action = StartAction::capture;
                    request.seconds_arg = i + 1;
                    request.file_arg = i + 2;
                    return request;
                }
                break;
            default:
                break;
        }
    }
    return request;
}

}  // namespace host
