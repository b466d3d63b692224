// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "database/DataFile.h"
#include "engine/Converter.h"
#include "engine/NumberText.h"

namespace torvan {

// The columns of a line that the fields need, read in one pass: runs of
// delimiters count as one, delimiters at either end are passed over, and
// each number is read as its column is met, so the usual price is looked at
// once. Columns past the last one needed are never looked at.
class FieldColumns {
  public:
    FieldColumns(char delimiter, const FieldFlags& fieldOn,
                 const std::array<int, kFieldSlots>& fieldCol)
        : m_delimiter(delimiter),
          // A digit or a point as delimiter would be read as part of a number.
          m_oneStep((delimiter < '0' || delimiter > '9') && delimiter != '.') {
        for (int slot = 0; slot < kFieldSlots; ++slot) {
            const auto s = static_cast<std::size_t>(slot);
            if (slot != kSlotDate && fieldOn[s] == 0) {
                continue;
            }
            const int column = fieldCol[s];
            if (column < 0 || column >= kMaxColumns) {
                continue;  // refused before any line is read
            }
            m_wanted[static_cast<std::size_t>(column)] |= 1U << slot;
            m_lastColumn = std::max(m_lastColumn, column);
            if (slot != kSlotDate) {
                m_numberSlots |= 1U << slot;
                // The slot a column feeds, or kShared when it feeds several.
                auto& fed = m_slotOf[static_cast<std::size_t>(column)];
                fed = fed == kNone ? slot : kShared;
            }
        }
    }

    // Reads line. Returns how many columns it has, counted no further than
    // the last one needed: 0 for a line of nothing but delimiters.
    [[gnu::always_inline]] int Read(std::string_view line) {
        const char* p = line.data();
        const char* const end = p + line.size();
        m_date = {};
        m_present = 0;
        m_numbers = 0;
        m_value.fill(0.0F);
        int column = 0;
        for (;;) {
            while (p < end && *p == m_delimiter) {
                ++p;
            }
            if (p == end) {
                break;
            }
            const char* const start = p;
            const unsigned wanted = m_wanted[static_cast<std::size_t>(column)];
            if ((wanted & m_numberSlots) != 0) {
                float value = 0.0F;
                bool number = m_oneStep && ReadPlainPrice(p, end, value);
                if (!number) {
                    p = ColumnEnd(start, end);
                    number = ReadNumber(
                        std::string_view(start, static_cast<std::size_t>(p - start)), value);
                }
                if (number) {
                    m_numbers |= wanted;
                    const int slot = m_slotOf[static_cast<std::size_t>(column)];
                    if (slot != kShared) {
                        m_value[static_cast<std::size_t>(slot)] = value;
                    } else {
                        for (std::size_t other = 1; other < kFieldSlots; ++other) {
                            if ((wanted & (1U << other)) != 0) {
                                m_value[other] = value;
                            }
                        }
                    }
                }
            } else {
                p = ColumnEnd(start, end);
            }
            if ((wanted & 1U) != 0) {
                m_date = std::string_view(start, static_cast<std::size_t>(p - start));
            }
            m_present |= wanted;
            if (column++ == m_lastColumn || p == end) {
                break;
            }
            ++p;  // the delimiter that ended the column
        }
        return column;
    }

    // The date column's text; empty when the line lacks it.
    std::string_view Date() const { return m_date; }
    bool HasDateColumn() const { return (m_present & 1U) != 0; }
    // Whether a field's column was missing from the line.
    bool LacksColumn() const { return (m_numberSlots & ~m_present) != 0; }
    // Whether an open, high, low or close field read a number.
    bool Priced() const {
        constexpr unsigned kPrices =
            (1U << kSlotOpen) | (1U << kSlotHigh) | (1U << kSlotLow) | (1U << kSlotClose);
        return (m_numbers & kPrices) != 0;
    }
    // A field's value: 0 when its column is missing or holds no number.
    float Value(int slot) const { return m_value[static_cast<std::size_t>(slot)]; }

  private:
    const char* ColumnEnd(const char* p, const char* end) const {
        while (p < end && *p != m_delimiter) {
            ++p;
        }
        return p;
    }

    // The usual price, up to 7 digits with an optional point, that fills its
    // column: read as ReadNumber reads it, with p left at the column's end.
    // False, p untouched, for anything else.
    bool ReadPlainPrice(const char*& p, const char* end, float& value) const {
        constexpr std::ptrdiff_t kMaxDigits = 7;
        // Digits past the seventh make it no usual price: w may wrap then.
        const char* q = p;
        std::uint32_t w = 0;
        unsigned digit = 0;
        while (q < end && (digit = static_cast<unsigned char>(*q) - unsigned{'0'}) <= 9) {
            w = w * 10 + digit;
            ++q;
        }
        std::ptrdiff_t digits = q - p;
        std::ptrdiff_t decimals = 0;
        if (q < end && *q == '.') {
            const char* const fraction = ++q;
            while (q < end && (digit = static_cast<unsigned char>(*q) - unsigned{'0'}) <= 9) {
                w = w * 10 + digit;
                ++q;
            }
            decimals = q - fraction;
            digits += decimals;
        }
        if (digits == 0 || digits > kMaxDigits || (q < end && *q != m_delimiter)) {
            return false;
        }
        value = static_cast<float>(w) / detail::kFloatPowersOfTen[decimals];
        p = q;
        return true;
    }

    char m_delimiter;
    bool m_oneStep;
    std::array<unsigned, kMaxColumns> m_wanted{};  // the slots each column feeds
    static constexpr int kNone = -1;
    static constexpr int kShared = -2;
    std::array<int, kMaxColumns> m_slotOf = FilledWith(kNone);
    int m_lastColumn = 0;
    unsigned m_numberSlots = 0;
    std::string_view m_date;
    unsigned m_present = 0;                    // slots whose column the line has
    unsigned m_numbers = 0;                    // slots that read a number
    std::array<float, kFieldSlots> m_value{};  // each slot's value on this line

    static constexpr std::array<int, kMaxColumns> FilledWith(int value) {
        std::array<int, kMaxColumns> filled{};
        filled.fill(value);
        return filled;
    }
};

}  // namespace torvan
