// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/Text.h"

namespace torvan {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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

// The correctly rounded float of w x 10^e10 when one operation gives it for
// sure. Most prices have w below 2^24 and a power of ten up to 10^10, all
// exact floats, so one float multiplication or division rounds correctly.
// Otherwise w and the power of ten are exact doubles, so the product or
// quotient is the double nearest to the true value, and rounding that to
// float gives the float nearest to the true value unless the double fell
// exactly on the midpoint between two floats. Nothing otherwise.
std::optional<float> FastDecimal(std::uint64_t w, long e10) {
    static constexpr float kFloatPowers[] = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                             1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
    constexpr long kLargestFloatPower = 10;
    if (w <= (std::uint64_t{1} << 24) && e10 >= -kLargestFloatPower && e10 <= kLargestFloatPower) {
        const auto f = static_cast<float>(w);
        return e10 < 0 ? f / kFloatPowers[-e10] : f * kFloatPowers[e10];
    }
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr long kLargestPower = 22;
    if (w > (std::uint64_t{1} << 53) || e10 < -kLargestPower || e10 > kLargestPower) {
        return std::nullopt;
    }
    double value = static_cast<double>(w);
    value = e10 < 0 ? value / kPowers[-e10] : value * kPowers[e10];
    // Every such value lies between 1e-22 and 1e38, where floats are normal:
    // a midpoint has exactly the 25th significant bit set below the 24 a
    // float keeps, that is the low 29 of the double's 52 fraction bits are
    // 1 followed by 28 zeros.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
    if ((bits & kBelowFloat) == (std::uint64_t{1} << 28)) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

}  // namespace

std::optional<float> detail::ReadAnyNumber(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p < end && !IsDigit(*p)) {
        while (p < end && IsSpace(*p)) {
            ++p;
        }
        if (p < end && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
    }
    // Find the extent of digits [. digits] [e [sign] digits] ourselves, so
    // that from_chars sees exactly the decimal form and nothing else
    // (no "inf", "nan" or hexadecimal). On the way, gather the digits as an
    // integer w for the fast path that serves nearly every price; it holds
    // them exactly when there are at most 19.
    constexpr std::ptrdiff_t kMaxExactDigits = 19;
    const char* const first = p;
    std::uint64_t w = 0;
    while (p < end && IsDigit(*p)) {
        w = w * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    std::ptrdiff_t digits = p - first;
    long e10 = 0;
    if (p < end && *p == '.') {
        ++p;
        const char* const fraction = p;
        while (p < end && IsDigit(*p)) {
            w = w * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        digits += p - fraction;
        e10 = -static_cast<long>(p - fraction);
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* k = p + 1;
        bool negativeExponent = false;
        if (k < end && (*k == '+' || *k == '-')) {
            negativeExponent = *k == '-';
            ++k;
        }
        if (k < end && IsDigit(*k)) {
            long exponent = 0;
            while (k < end && IsDigit(*k)) {
                exponent = std::min(exponent * 10 + (*k - '0'), 100000L);
                ++k;
            }
            e10 += negativeExponent ? -exponent : exponent;
            p = k;
        }
    }
    if (digits <= kMaxExactDigits) {
        if (w == 0) {
            return negative ? -0.0F : 0.0F;
        }
        if (const auto fast = FastDecimal(w, e10)) {
            return negative ? -*fast : *fast;
        }
    }
    float value = 0.0F;
    auto [ptr, ec] = std::from_chars(first, p, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Beyond float either way: a value of magnitude 1 or more overflowed,
        // a smaller one underflowed.
        value = MagnitudeAtLeastOne(first, p) ? std::numeric_limits<float>::infinity() : 0.0F;
    } else if (ec != std::errc() || ptr == first) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<float> ReadNumber(std::string_view text) {
    float value = 0.0F;
    if (ReadNumber(text, value)) {
        return value;
    }
    return std::nullopt;
}

}  // namespace torvan
