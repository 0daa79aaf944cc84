#include "host/run/message_text.h"

#include <cstdio>

namespace host {

namespace {

bool continues_letter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string shown_text(const char* text, size_t limit) {
    std::string shown;
    for (const char* at = text; *at; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        } else {
            shown += *at;
        }
    }
    if (shown.size() <= limit) return shown;
    // the start and the end, where a file's own name stands
    size_t head = limit * 2 / 3;
    while (head > 0 && continues_letter(shown[head])) --head;
    size_t tail = shown.size() - (limit - head - 1);
    while (tail < shown.size() && continues_letter(shown[tail])) ++tail;
    return shown.substr(0, head) + "\xE2\x80\xA6" + shown.substr(tail);
}

}  // namespace host
