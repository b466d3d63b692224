// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Text.h"

#include <cstring>

namespace torvan {

std::string ToLowerAscii(std::string text) {
    for (char& c : text) {
        c = ToLowerAscii(c);
    }
    return text;
}

std::string ToUpperAscii(std::string text) {
    for (char& c : text) {
        c = ToUpperAscii(c);
    }
    return text;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (ToLowerAscii(text[i]) != ToLowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::string_view TrimLeft(std::string_view text, std::string_view chars) {
    const std::size_t begin = text.find_first_not_of(chars);
    return begin == std::string_view::npos ? std::string_view() : text.substr(begin);
}

std::string_view TrimRight(std::string_view text, std::string_view chars) {
    const std::size_t last = text.find_last_not_of(chars);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text, std::string_view chars) {
    return TrimRight(TrimLeft(text, chars), chars);
}

std::size_t FindLast(std::string_view text, char c) {
#if defined(__GLIBC__)
    // Vectorised in the C library; it must not see the null data of an
    // empty view.
    if (text.empty()) {
        return std::string_view::npos;
    }
    const void* found = memrchr(text.data(), c, text.size());
    return found == nullptr
               ? std::string_view::npos
               : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
#else
    return text.rfind(c);
#endif
}

}  // namespace torvan
