#include "platform/Text.h"

#include <bit>
#include <cstdint>
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
    std::size_t end = text.size();
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        const std::uint64_t pattern = 0x0101010101010101ULL * static_cast<unsigned char>(c);
        while (end >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + end - 8, 8);
            const std::uint64_t x = word ^ pattern;
            // The top bit of each byte that equals c: exact, no carry
            // crosses a byte.
            const std::uint64_t hits = ~(((x & kLow7) + kLow7) | x) & ~kLow7;
            if (hits != 0) {
                return end - 8 + static_cast<std::size_t>(63 - std::countl_zero(hits)) / 8;
            }
            end -= 8;
        }
    }
    while (end > 0) {
        if (text[--end] == c) {
            return end;
        }
    }
    return std::string_view::npos;
}

}  // namespace torvan
