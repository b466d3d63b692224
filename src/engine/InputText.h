#pragma once

#include <string>

namespace torvan {

inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// Removes a UTF-8 byte-order mark from the start of line; true if it had one.
inline bool StripUtf8Bom(std::string& line) {
    if (line.compare(0, 3, kUtf8Bom) == 0) {
        line.erase(0, 3);
        return true;
    }
    return false;
}

// True when a file's first line starts with a UTF-16 byte-order mark: such
// text has a NUL byte in every other place and cannot be read as bytes.
inline bool StartsUtf16(const std::string& firstLine) {
    return firstLine.size() >= 2 && ((firstLine[0] == '\xFF' && firstLine[1] == '\xFE') ||
                                     (firstLine[0] == '\xFE' && firstLine[1] == '\xFF'));
}

// The message for such a file.
std::string Utf16Message(const std::string& path);

}  // namespace torvan
