#pragma once

#include <array>
#include <cstdint>

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

Bytes4 FloatToMbf(float value);
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
