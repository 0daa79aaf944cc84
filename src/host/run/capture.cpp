#include "host/run/capture.h"

#include <cstdlib>
#include <cstring>

#include "host/run/message_text.h"
#include "scene/scene.h"

namespace host {

bool capture_time_reachable(float seconds) {
    return !(seconds > 1048576.0f);  // also false for +infinity; NaN passes
}

bool capture_time_text_reachable(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !(value >= 1048576.0)) return true;
    if (value > 1048576.0) return false;
    // the number rounds to 2^20 in double precision too: its digits, the
    // leading and trailing zeros left out, tell whether it is 1048576 or
    // just above (0.1048576e7 and 1048576.000 are 1048576)
    std::string digits;
    for (const char* at = text; at < end && *at != 'e' && *at != 'E'; ++at) {
        if (*at == 'x' || *at == 'X') return true;  // hexadecimal: exact in binary
        if (*at >= '0' && *at <= '9' && (*at != '0' || !digits.empty())) digits += *at;
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    return digits <= "1048576";
}

namespace {

// Whether text is word, letters compared without their case.
bool is_word(const char* text, const char* word) {
    for (; *word; ++text, ++word) {
        if ((*text | 0x20) != *word) return false;
    }
    return *text == '\0';
}

// Whether text is written as a decimal number, whole: a sign, digits with
// at most one point, an exponent; or an infinity. No spaces, no
// hexadecimal, which the C library's reader would also take.
bool written_as_decimal(const char* text) {
    const char* at = text + (*text == '-' || *text == '+');
    if (is_word(at, "inf") || is_word(at, "infinity")) return true;
    int digits = 0;
    while (*at >= '0' && *at <= '9') ++at, ++digits;
    if (*at == '.') {
        ++at;
        while (*at >= '0' && *at <= '9') ++at, ++digits;
    }
    if (digits == 0) return false;
    if (*at == 'e' || *at == 'E') {
        ++at;
        if (*at == '-' || *at == '+') ++at;
        if (!(*at >= '0' && *at <= '9')) return false;
        while (*at >= '0' && *at <= '9') ++at;
    }
    return *at == '\0';
}

}  // namespace

CaptureTime read_capture_time(const char* text, float* seconds) {
    if (!written_as_decimal(text)) return CaptureTime::not_a_number;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value != value) return CaptureTime::not_a_number;
    if (value < 0.0) return CaptureTime::negative;
    *seconds = static_cast<float>(value);
    return capture_time_reachable(*seconds) && capture_time_text_reachable(text) ? CaptureTime::usable
                                                                                 : CaptureTime::unreachable;
}

bool capture_name_fits(const char* file) { return std::strlen(file) < 260; }

CaptureRequest check_capture_request(const char* seconds_text, const char* file, float* seconds) {
    switch (read_capture_time(seconds_text, seconds)) {
        case CaptureTime::not_a_number:
            return CaptureRequest::not_a_number;
        case CaptureTime::negative:
            return CaptureRequest::negative;
        case CaptureTime::unreachable:
            return CaptureRequest::unreachable;
        case CaptureTime::usable:
            break;
    }
    return capture_name_fits(file) ? CaptureRequest::usable : CaptureRequest::name_too_long;
}

std::string capture_request_message(CaptureRequest request, const char* seconds_text, const char* file) {
    switch (request) {
        case CaptureRequest::not_a_number:
        case CaptureRequest::negative:
            return shown_text(seconds_text) + ": SECONDS must be a number, 0 or more";
        case CaptureRequest::unreachable:
            return shown_text(seconds_text) + " s is beyond the last reachable time, 1048576 s";
        case CaptureRequest::name_too_long:
            return "cannot write " + shown_text(file) + ": the file name is 260 bytes or longer";
        case CaptureRequest::usable:
            break;
    }
    return std::string();
}

std::string capture_error_message(const char* path, const CaptureError& error) {
    switch (error.fault) {
        case CaptureFault::folder:
            return "cannot write in the folder " + shown_text(path_folder(path).c_str()) + ": " +
                   std::strerror(error.error);
        case CaptureFault::link_to_nothing:
            return "cannot write " + shown_text(path) + ": a symbolic link to nothing (name the file itself)";
        default:
            return "cannot write " + shown_text(path) + ": " + std::strerror(error.error);
    }
}

int32_t capture_steps(float seconds) {
    int32_t steps = 0;
    for (float t = 0.0f; seconds > t; t = t + capture_step) ++steps;
    return steps;
}

int32_t advance_capture(float seconds) {
    const int32_t steps = capture_steps(seconds);
    scene::advance_scene(capture_step, steps);
    return steps;
}

}  // namespace host
