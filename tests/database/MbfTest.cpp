// SPDX-License-Identifier: GPL-3.0-or-later
// IEEE <-> MBF single conversions: exact where both formats can hold a value,
// clamped (never wrapped) where only one of them can.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "TestSupport.h"
#include "database/Mbf.h"

namespace torvan::test {
namespace {

std::vector<std::uint8_t> V(const Bytes4& b) {
    return {b.begin(), b.end()};
}

std::uint32_t Bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

Bytes4 LittleEndian(std::uint32_t u) {
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

// The value MBF bytes stand for, worked out from the format itself rather than
// through the code under test: (-1)^sign * 1.mantissa * 2^(exponent - 129).
double MbfValue(const Bytes4& m) {
    if (m[3] == 0) {
        return 0.0;
    }
    const std::uint32_t mantissa = 0x800000U | ((m[2] & 0x7FU) << 16) | (m[1] << 8) | m[0];
    const double v = std::ldexp(static_cast<double>(mantissa), m[3] - 129 - 23);
    return (m[2] & 0x80) != 0 ? -v : v;
}

const Bytes4 kZero = {0, 0, 0, 0};
const Bytes4 kLargest = {0xFF, 0xFF, 0x7F, 0xFF};
const Bytes4 kLargestNegative = {0xFF, 0xFF, 0xFF, 0xFF};

struct Pair {
    float ieee;
    Bytes4 mbf;
};

class MbfExact : public ::testing::TestWithParam<Pair> {};

TEST_P(MbfExact, ConvertsBothWays) {
    const Pair& p = GetParam();
    EXPECT_EQ(Hex(V(FloatToMbf(p.ieee))), Hex(V(p.mbf))) << p.ieee;
    EXPECT_EQ(Bits(MbfToFloat(p.mbf)), Bits(p.ieee)) << Hex(V(p.mbf));
}

INSTANTIATE_TEST_SUITE_P(
    Mbf, MbfExact,
    ::testing::Values(Pair{1.0F, {0x00, 0x00, 0x00, 0x81}}, Pair{-1.0F, {0x00, 0x00, 0x80, 0x81}},
                      Pair{0.5F, {0x00, 0x00, 0x00, 0x80}}, Pair{100.0F, {0x00, 0x00, 0x48, 0x87}},
                      Pair{0.0F, {0, 0, 0, 0}},
                      // 15 March 2004 as a stored date; 23 Sep 1997 as found in a real MASTER.
                      Pair{1040315.0F, {0xB0, 0xFB, 0x7D, 0x94}},
                      Pair{970923.0F, {0xB0, 0x0A, 0x6D, 0x94}},
                      // The ends of the range both formats share.
                      Pair{std::numeric_limits<float>::min(), {0x00, 0x00, 0x00, 0x03}},
                      Pair{std::nextafter(std::ldexp(1.0F, 127), 0.0F), kLargest},
                      Pair{-std::nextafter(std::ldexp(1.0F, 127), 0.0F), kLargestNegative}));

struct IeeeOutside {
    std::uint32_t bits;
    Bytes4 mbf;
};

std::ostream& operator<<(std::ostream& os, const IeeeOutside& p) {
    return os << "IEEE bits " << std::hex << p.bits;
}

class MbfFromIeeeOutside : public ::testing::TestWithParam<IeeeOutside> {};

TEST_P(MbfFromIeeeOutside, IsClampedNotWrapped) {
    const IeeeOutside& p = GetParam();
    EXPECT_EQ(Hex(V(FloatToMbf(std::bit_cast<float>(p.bits)))), Hex(V(p.mbf)));
}

// -0.0, NaNs and subnormals give 0; infinities, 2^127 and FLT_MAX the largest
// MBF value of their sign.
INSTANTIATE_TEST_SUITE_P(
    Mbf, MbfFromIeeeOutside,
    ::testing::Values(
        IeeeOutside{0x80000000U, kZero}, IeeeOutside{0x7FC00000U, kZero},
        IeeeOutside{0xFFC00000U, kZero}, IeeeOutside{0x7F800001U, kZero},
        IeeeOutside{0x00000001U, kZero}, IeeeOutside{0x807FFFFFU, kZero},
        IeeeOutside{0x7F800000U, kLargest}, IeeeOutside{0xFF800000U, kLargestNegative},
        IeeeOutside{0x7F000000U, kLargest}, IeeeOutside{0xFF000000U, kLargestNegative},
        IeeeOutside{0x7F7FFFFFU, kLargest}, IeeeOutside{0xFF7FFFFFU, kLargestNegative}));

TEST(MbfConversion, SourceAndDestinationMayBeTheSameSlot) {
    float value = 100.0F;
    std::uint8_t slot[4];
    std::memcpy(slot, &value, 4);
    EXPECT_EQ(IeeeToMbf(slot, slot), 0);
    EXPECT_EQ(Hex({slot, slot + 4}), "00 00 48 87");
    EXPECT_EQ(MbfToIeee(slot, slot), 0);
    std::memcpy(&value, slot, 4);
    EXPECT_EQ(value, 100.0F);
}

// A sweep over the whole 32-bit pattern space in both directions: inside the
// shared range every value converts to the same number and back to the same
// bits; outside it the results are the fixed clamp values, and MBF exponent
// bytes 0 to 2 give +0.0.
TEST(MbfConversion, SweepOfAllBitPatterns) {
    constexpr std::uint64_t kStride = 997;  // prime, so every byte value is visited
    int failures = 0;
    auto fail = [&failures](const std::string& what) {
        if (++failures <= 5) {
            ADD_FAILURE() << what;
        }
    };
    for (std::uint64_t u = 0; u <= 0xFFFFFFFFULL; u += kStride) {
        const auto bits = static_cast<std::uint32_t>(u);
        const float f = std::bit_cast<float>(bits);
        const unsigned e = (bits >> 23) & 0xFF;
        const Bytes4 mbf = FloatToMbf(f);
        if (e >= 1 && e <= 253) {
            if (MbfValue(mbf) != static_cast<double>(f) || Bits(MbfToFloat(mbf)) != bits) {
                std::ostringstream s;
                s << "IEEE " << std::hex << bits << " -> " << Hex(V(mbf));
                fail(s.str());
            }
        } else {
            const bool negative = (bits >> 31) != 0;
            const Bytes4 expected = e == 0 || std::isnan(f) ? kZero
                                    : negative              ? kLargestNegative
                                                            : kLargest;
            if (mbf != expected) {
                std::ostringstream s;
                s << "IEEE " << std::hex << bits << " -> " << Hex(V(mbf));
                fail(s.str());
            }
        }

        const Bytes4 m = LittleEndian(bits);
        const float back = MbfToFloat(m);
        const bool ok = m[3] >= 3
                            ? static_cast<double>(back) == MbfValue(m) && FloatToMbf(back) == m
                            : Bits(back) == 0;
        if (!ok) {
            fail("MBF " + Hex(V(m)) + " -> " + std::to_string(back));
        }
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace torvan::test
