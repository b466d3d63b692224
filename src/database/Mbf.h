// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace torvan {

using Bytes4 = std::array<std::uint8_t, 4>;

// IEEE single <-> Microsoft Binary Format single. Source and destination are
// 4-byte slots and may be the same slot. Both return 0.
//
// Values the other format cannot carry are clamped rather than wrapped:
// NaN and IEEE subnormals give 0; infinities and magnitudes of 2^127 and
// above give the largest finite MBF value of that sign; MBF exponent bytes 1
// and 2 (below the IEEE normal range) give IEEE 0.
int IeeeToMbf(const void* source, void* destination);
int MbfToIeee(const void* source, void* destination);

// The MBF value of an IEEE single given by its bits, as a number whose
// little-endian bytes are the stored ones; inline, as a conversion needs it
// for every field.
inline std::uint32_t IeeeBitsToMbfBits(std::uint32_t bits) {
    const std::uint32_t sign = bits & 0x80000000U;
    const std::uint32_t e = (bits >> 23) & 0xFFU;
    const std::uint32_t mantissa = bits & 0x7FFFFFU;
    std::uint32_t mbf = 0;
    if (e - 1U < 253U) {
        // MBF: exponent byte on top, then the sign, then the mantissa.
        mbf = ((e + 2) << 24) | (sign >> 8) | mantissa;
    } else if (e == 0) {
        // Zero of either sign, or a subnormal too small for MBF.
    } else if (e == 255 && mantissa != 0) {
        // NaN has no MBF form.
    } else {
        // 2^127 and above, and infinities: the largest finite MBF value.
        mbf = 0xFF7FFFFFU | (sign >> 8);
    }
    return mbf;
}

inline std::uint32_t FloatToMbfBits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return IeeeBitsToMbfBits(bits);
}

// The four bytes of v, least significant first, at out.
inline void PutU32(void* out, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &v, 4);
    } else {
        auto* bytes = static_cast<std::uint8_t*>(out);
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
}

// The same as the four bytes of the file.
inline Bytes4 IeeeBitsToMbf(std::uint32_t bits) {
    Bytes4 bytes;
    PutU32(bytes.data(), IeeeBitsToMbfBits(bits));
    return bytes;
}
inline Bytes4 FloatToMbf(float value) {
    Bytes4 bytes;
    PutU32(bytes.data(), FloatToMbfBits(value));
    return bytes;
}

float MbfToFloat(const Bytes4& mbf);
float MbfToFloat(const std::uint8_t* mbf);

// Little-endian integer packing used by every binary file of the database.
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace torvan
