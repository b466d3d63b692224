#include "engine/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace torvan {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the decimal text [first, last) (digits, point, exponent) stands
// for a magnitude of at least 1, judged from its decimal exponent alone.
bool MagnitudeAtLeastOne(const char* first, const char* last) {
    long position = 0;  // decimal exponent of the first non-zero digit
    bool seenPoint = false;
    bool seenNonZero = false;
    long integerDigits = 0;
    long zerosAfterPoint = 0;
    const char* p = first;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (!seenNonZero && *p == '0') {
            if (seenPoint) {
                ++zerosAfterPoint;
            }
        } else {
            if (!seenNonZero) {
                seenNonZero = true;
                position = seenPoint ? -(zerosAfterPoint + 1) : 0;
            }
            if (!seenPoint) {
                ++integerDigits;
            }
        }
    }
    if (!seenNonZero) {
        return false;
    }
    if (integerDigits > 0) {
        position = integerDigits - 1;
    }
    long exponent = 0;
    if (p < last) {
        ++p;
        bool negative = false;
        if (p < last && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        for (; p < last; ++p) {
            exponent = std::min(exponent * 10 + (*p - '0'), 100000L);
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return position + exponent >= 0;
}

}  // namespace

std::optional<float> ReadNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Find the extent of digits [. digits] [e [sign] digits] ourselves, so
    // that from_chars sees exactly the decimal form and nothing else
    // (no "inf", "nan" or hexadecimal).
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            ++k;
        }
        if (k < text.size() && IsDigit(text[k])) {
            while (k < text.size() && IsDigit(text[k])) {
                ++k;
            }
            i = k;
        }
    }
    const char* first = text.data() + start;
    const char* last = text.data() + i;
    float value = 0.0F;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Beyond float either way: a value of magnitude 1 or more overflowed,
        // a smaller one underflowed.
        value = MagnitudeAtLeastOne(first, last) ? std::numeric_limits<float>::infinity() : 0.0F;
    } else if (ec != std::errc() || ptr == first) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace torvan
