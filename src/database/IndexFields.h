// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pieces shared by MASTER and the index files beside it (EMASTER, XMASTER):
// fixed byte and text fields, little-endian 32-bit integers, the field bitset
// and the date forms they use.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "database/DataFile.h"

namespace torvan {

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

template <std::size_t N>
void TakeBytes(std::array<std::uint8_t, N>& out, const std::uint8_t* bytes, std::size_t offset) {
    std::memcpy(out.data(), bytes + offset, N);
}

template <std::size_t N>
void PutBytes(std::uint8_t* bytes, std::size_t offset, const std::array<std::uint8_t, N>& in) {
    std::memcpy(bytes + offset, in.data(), N);
}

// Splits index file content into its header and every whole record after
// it; both have the same size. False when content is shorter than a header.
template <typename IndexFile>
bool ParseIndexRecords(const std::string& content, std::size_t recordSize, IndexFile& file) {
    file = IndexFile{};
    if (content.size() < recordSize) {
        return false;
    }
    using Header = decltype(file.header);
    using Record = typename decltype(file.records)::value_type;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    file.size = content.size();
    file.header = Header::Unpack(bytes);
    file.records.reserve(content.size() / recordSize - 1);
    for (std::size_t offset = recordSize; offset + recordSize <= content.size();
         offset += recordSize) {
        file.records.push_back(Record::Unpack(bytes + offset));
    }
    return true;
}

// Text of a NUL-terminated (or full) field, trailing blanks removed.
template <std::size_t N>
std::string CFieldText(const std::array<std::uint8_t, N>& field) {
    std::size_t length = 0;
    while (length < N && field[length] != 0) {
        ++length;
    }
    while (length > 0 && field[length - 1] == ' ') {
        --length;
    }
    return std::string(reinterpret_cast<const char*>(field.data()), length);
}

// The first N characters of text, NUL-padded.
template <std::size_t N>
std::array<std::uint8_t, N> NulPadded(const std::string& text) {
    std::array<std::uint8_t, N> field{};
    std::memcpy(field.data(), text.data(), std::min(text.size(), N));
    return field;
}

// Bits of the field bitset. Records hold the fields in the order date, time,
// open, high, low, close, volume, open interest whatever the bit values.
enum FieldBit : std::uint8_t {
    kBitDate = 1,
    kBitHigh = 2,
    kBitLow = 4,
    kBitClose = 8,
    kBitVolume = 16,
    kBitOpen = 32,
    kBitOpenInterest = 64,
    kBitTime = 128,
};

// The bitset of a job's present field slots (Date, Open, High, Low, Close,
// Volume, Open interest).
std::uint8_t FieldBitsOf(const FieldFlags& fieldOn);
int CountFieldBits(std::uint8_t bits);
// Column names of the fields a bitset names, in record order: "Date",
// "Time", "Open", "High", "Low", "Close", "Volume", "OpenInterest".
std::vector<std::string> FieldNamesOfBits(std::uint8_t bits);

// The stored date (year - 1900) * 10000 + month * 100 + day as the integer
// YYYYMMDD, and back; 0 stands for no date both ways.
std::uint32_t StoredToYyyymmdd(float stored);
float YyyymmddToStored(std::uint32_t yyyymmdd);

// IEEE single precision bytes of a value, little-endian, and back.
std::array<std::uint8_t, 4> IeeeBytes(float value);
float IeeeValue(const std::array<std::uint8_t, 4>& bytes);

// A stored date that names a calendar day (month 1..12, day 1..31).
bool IsStoredDate(float stored);
// "YYYY-MM-DD" of a stored date; the number itself when it is no date.
std::string StoredDateString(float stored);

}  // namespace torvan
