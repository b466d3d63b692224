#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torvan {

namespace detail {
// ReadNumber for every text; ReadNumber itself handles the usual prices.
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
inline std::optional<float> ReadNumber(std::string_view text) {
    // Inline for the usual price: unsigned, at most 7 digits (below 2^24,
    // an exact float) with at most 10 after the point, no exponent. One
    // float division by an exact power of ten then rounds correctly.
    const char* p = text.data();
    const char* const end = p + text.size();
    std::uint32_t w = 0;
    int digits = 0;
    int decimals = 0;
    for (; p < end && *p >= '0' && *p <= '9' && digits < 8; ++p, ++digits) {
        w = w * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        for (; p < end && *p >= '0' && *p <= '9' && digits < 8; ++p, ++digits) {
            w = w * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        decimals = static_cast<int>(p - fraction);
    }
    if (digits == 0 || digits > 7 || decimals > 10 ||
        (p < end && ((*p >= '0' && *p <= '9') || *p == 'e' || *p == 'E'))) {
        return detail::ReadAnyNumber(text);
    }
    return static_cast<float>(w) / detail::kFloatPowersOfTen[decimals];
}

}  // namespace torvan
