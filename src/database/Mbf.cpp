// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Mbf.h"

#include <cstring>

namespace torvan {

int IeeeToMbf(const void* source, void* destination) {
    // The source holds a float in the host's representation.
    std::uint32_t bits = 0;
    std::memcpy(&bits, source, 4);
    const Bytes4 mbf = IeeeBitsToMbf(bits);
    std::memcpy(destination, mbf.data(), 4);
    return 0;
}

int MbfToIeee(const void* source, void* destination) {
    std::uint8_t m[4];
    std::memcpy(m, source, 4);
    std::uint8_t out[4] = {0, 0, 0, 0};
    if (m[3] > 2) {
        const unsigned e = m[3] - 2U;  // 1..253: always a normal IEEE exponent
        const unsigned sign = m[2] & 0x80U;
        out[0] = m[0];
        out[1] = m[1];
        out[2] = static_cast<std::uint8_t>(((e & 1U) << 7) | (m[2] & 0x7F));
        out[3] = static_cast<std::uint8_t>(sign | (e >> 1));
    }
    const std::uint32_t bits =
        static_cast<std::uint32_t>(out[0]) | (static_cast<std::uint32_t>(out[1]) << 8) |
        (static_cast<std::uint32_t>(out[2]) << 16) | (static_cast<std::uint32_t>(out[3]) << 24);
    std::memcpy(destination, &bits, 4);
    return 0;
}

float MbfToFloat(const std::uint8_t* mbf) {
    float value = 0.0F;
    MbfToIeee(mbf, &value);
    return value;
}

float MbfToFloat(const Bytes4& mbf) {
    return MbfToFloat(mbf.data());
}

}  // namespace torvan
