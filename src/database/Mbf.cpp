#include "database/Mbf.h"

#include <cstring>

namespace torvan {

int IeeeToMbf(const void* source, void* destination) {
    // The source holds a float in the host's representation; take its bits
    // so that b[3] is the most significant byte on any host.
    std::uint32_t bits = 0;
    std::memcpy(&bits, source, 4);
    const std::uint8_t b[4] = {
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    std::uint8_t out[4] = {0, 0, 0, 0};
    const unsigned sign = b[3] & 0x80U;
    const unsigned e = ((b[3] & 0x7FU) << 1) | (b[2] >> 7);
    const bool mantissaZero = b[0] == 0 && b[1] == 0 && (b[2] & 0x7F) == 0;
    if (e == 0) {
        // Zero of either sign, or a subnormal too small for MBF.
    } else if (e == 255 && !mantissaZero) {
        // NaN has no MBF form.
    } else if (e >= 254) {
        // 2^127 and above, and infinities: the largest finite MBF value.
        out[0] = 0xFF;
        out[1] = 0xFF;
        out[2] = static_cast<std::uint8_t>(sign | 0x7F);
        out[3] = 0xFF;
    } else {
        out[0] = b[0];
        out[1] = b[1];
        out[2] = static_cast<std::uint8_t>(sign | (b[2] & 0x7F));
        out[3] = static_cast<std::uint8_t>(e + 2);
    }
    std::memcpy(destination, out, 4);
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

Bytes4 FloatToMbf(float value) {
    Bytes4 out{};
    IeeeToMbf(&value, out.data());
    return out;
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
