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

// The MBF bytes of an IEEE single given by its bits; inline, as a
// conversion needs it for every field.
inline Bytes4 IeeeBitsToMbf(std::uint32_t bits) {
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
    Bytes4 bytes;
    if constexpr (std::endian::native == std::endian::little) {
        // The value's own bytes are already in file order: one store.
        std::memcpy(bytes.data(), &mbf, 4);
    } else {
        bytes = {static_cast<std::uint8_t>(mbf), static_cast<std::uint8_t>(mbf >> 8),
                 static_cast<std::uint8_t>(mbf >> 16), static_cast<std::uint8_t>(mbf >> 24)};
    }
    return bytes;
}

inline Bytes4 FloatToMbf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return IeeeBitsToMbf(bits);
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
