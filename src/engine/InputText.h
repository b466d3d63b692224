// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace torvan {

inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// The line without its line end: the line feed and every carriage return
// before it, or the carriage return that ends a line by itself (every one
// at the end of a last line).
inline std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    while (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace torvan
