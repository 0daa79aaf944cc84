// Text from outside the program (a file name, a number as typed) as the
// programs' one-line messages show it.
#pragma once
#include <cstddef>
#include <string>

namespace host {

// text with its control characters escaped (\n, \t, \x1b and so on), cut
// in the middle with an ellipsis when longer than limit bytes, so that a
// message keeps to one line of about 200 characters. UTF-8 letters stay
// whole.
std::string shown_text(const char* text, size_t limit = 80);

}  // namespace host
