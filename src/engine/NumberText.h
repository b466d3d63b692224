// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace torvan {

namespace detail {
// ReadNumber for every text; the inline ReadNumber handles the usual prices.
std::optional<float> ReadAnyNumber(std::string_view text);

inline constexpr float kFloatPowersOfTen[] = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                              1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
}  // namespace detail

// Reads the number at the start of text the way a "%f" conversion of the C
// library does in the "C" locale, whatever locale the process runs in:
// leading white space, an optional sign, digits with an optional decimal
// point and an optional exponent; reading stops at the first character that
// cannot continue the number. Nothing when text does not begin with one.
// Magnitudes beyond float give an infinity, tiny ones zero.
std::optional<float> ReadNumber(std::string_view text);

// The same, for a conversion's inner loop: true with the number in value,
// or false with value untouched. Inline for the usual price: unsigned, at
// most 7 digits (below 2^24, an exact float), no exponent; one float
// division by an exact power of ten then rounds correctly.
inline bool ReadNumber(std::string_view text, float& value) {
    constexpr std::size_t kMaxDigits = 7;
    const char* p = text.data();
    const char* const end = p + text.size();
    // Past kMaxDigits digits the text goes to the general reader anyway.
    const char* const last = p + std::min(text.size(), kMaxDigits + 1);
    std::uint32_t w = 0;
    for (; p < last && *p >= '0' && *p <= '9'; ++p) {
        w = w * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    auto digits = static_cast<std::size_t>(p - text.data());
    std::size_t decimals = 0;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        const char* const lastDecimal =
            fraction + std::min(static_cast<std::size_t>(end - fraction), kMaxDigits + 1);
        for (; p < lastDecimal && *p >= '0' && *p <= '9'; ++p) {
            w = w * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        decimals = static_cast<std::size_t>(p - fraction);
        digits += decimals;
    }
    if (digits == 0 || digits > kMaxDigits ||
        (p < end && ((*p >= '0' && *p <= '9') || *p == 'e' || *p == 'E'))) {
        const std::optional<float> number = detail::ReadAnyNumber(text);
        if (number) {
            value = *number;
        }
        return number.has_value();
    }
    value = static_cast<float>(w) / detail::kFloatPowersOfTen[decimals];
    return true;
}

}  // namespace torvan
