// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/IndexFields.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace torvan {

std::uint8_t FieldBitsOf(const FieldFlags& fieldOn) {
    // Slot order Date, Open, High, Low, Close, Volume, Open interest.
    static constexpr std::array<std::uint8_t, kFieldSlots> kSlotBits = {
        kBitDate, kBitOpen, kBitHigh, kBitLow, kBitClose, kBitVolume, kBitOpenInterest};
    std::uint8_t bits = 0;
    for (std::size_t s = 0; s < kSlotBits.size(); ++s) {
        if (fieldOn[s] != 0) {
            bits = static_cast<std::uint8_t>(bits | kSlotBits[s]);
        }
    }
    return bits;
}

int CountFieldBits(std::uint8_t bits) {
    return std::popcount(bits);
}

std::vector<std::string> FieldNamesOfBits(std::uint8_t bits) {
    static constexpr std::array<std::pair<std::uint8_t, const char*>, 8> kOrder = {{
        {kBitDate, "Date"},
        {kBitTime, "Time"},
        {kBitOpen, "Open"},
        {kBitHigh, "High"},
        {kBitLow, "Low"},
        {kBitClose, "Close"},
        {kBitVolume, "Volume"},
        {kBitOpenInterest, "OpenInterest"},
    }};
    std::vector<std::string> names;
    for (const auto& [bit, name] : kOrder) {
        if ((bits & bit) != 0) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::uint32_t StoredToYyyymmdd(float stored) {
    if (!(stored > 0.0F) || stored >= 1.0e7F) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::lround(stored)) + 19000000U;
}

float YyyymmddToStored(std::uint32_t yyyymmdd) {
    if (yyyymmdd <= 19000000U) {
        return 0.0F;
    }
    return static_cast<float>(yyyymmdd - 19000000U);
}

std::array<std::uint8_t, 4> IeeeBytes(float value) {
    std::array<std::uint8_t, 4> bytes{};
    PutU32(bytes.data(), std::bit_cast<std::uint32_t>(value));
    return bytes;
}

float IeeeValue(const std::array<std::uint8_t, 4>& bytes) {
    return std::bit_cast<float>(GetU32(bytes.data()));
}

bool IsStoredDate(float stored) {
    if (!(stored > 0.0F) || stored >= 1.0e7F) {
        return false;
    }
    const long number = std::lround(stored);
    const long month = number / 100 % 100;
    const long day = number % 100;
    return static_cast<float>(number) == stored && month >= 1 && month <= 12 && day >= 1 &&
           day <= 31;
}

std::string StoredDateString(float stored) {
    char text[64];
    if (!IsStoredDate(stored)) {
        const auto result = std::to_chars(text, text + sizeof text, stored);
        return std::string(text, result.ptr);
    }
    const long number = std::lround(stored);
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", number / 10000 + 1900, number / 100 % 100,
                  number % 100);
    return text;
}

}  // namespace torvan
