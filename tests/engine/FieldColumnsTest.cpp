// SPDX-License-Identifier: GPL-3.0-or-later
// The one-pass column reader of the conversion, against the plain reading it
// stands for: split the line into columns, then read each field's column.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "engine/FieldColumns.h"
#include "engine/NumberText.h"

namespace torvan::test {
namespace {

struct Layout {
    char delimiter = ',';
    FieldFlags fieldOn{};
    std::array<int, kFieldSlots> fieldCol{};
};

// The plain reading: runs of delimiters count as one, delimiters at either
// end are passed over, columns past the 20th are ignored; a field whose
// column is there reads it as a number.
void ExpectSameReading(const Layout& layout, std::string_view line) {
    std::array<std::string_view, kMaxColumns> columns{};
    int count = 0;
    std::size_t i = 0;
    while (count < kMaxColumns) {
        while (i < line.size() && line[i] == layout.delimiter) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != layout.delimiter) {
            ++i;
        }
        columns[static_cast<std::size_t>(count++)] = line.substr(start, i - start);
    }

    FieldColumns fields(layout.delimiter, layout.fieldOn, layout.fieldCol);
    const int read = fields.Read(line);
    const std::string shown =
        "line \"" + std::string(line) + "\" delimiter '" + std::string(1, layout.delimiter) + "'";
    ASSERT_EQ(read == 0, count == 0) << shown;
    if (count == 0) {
        return;
    }
    const int dateColumn = layout.fieldCol[kSlotDate];
    ASSERT_EQ(fields.HasDateColumn(), dateColumn < count) << shown;
    ASSERT_EQ(fields.Date(), dateColumn < count ? columns[static_cast<std::size_t>(dateColumn)]
                                                : std::string_view())
        << shown;
    bool lacks = false;
    bool priced = false;
    for (int slot = 1; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if (layout.fieldOn[s] == 0) {
            continue;
        }
        float value = 0.0F;
        const int column = layout.fieldCol[s];
        if (column >= count) {
            lacks = true;
        } else if (ReadNumber(columns[static_cast<std::size_t>(column)], value)) {
            priced = priced || slot <= kSlotClose;
        }
        const float got = fields.Value(slot);
        ASSERT_EQ(std::memcmp(&got, &value, sizeof value), 0)
            << shown << " slot " << slot << ": " << got << " instead of " << value;
    }
    ASSERT_EQ(fields.LacksColumn(), lacks) << shown;
    ASSERT_EQ(fields.Priced(), priced) << shown;
}

Layout SevenFields(char delimiter) {
    Layout layout;
    layout.delimiter = delimiter;
    layout.fieldOn = {1, 1, 1, 1, 1, 1, 1};
    layout.fieldCol = {0, 1, 2, 3, 4, 5, 6};
    return layout;
}

TEST(FieldColumns, ReadsTheUsualLinesAsThePlainReadingDoes) {
    const char* lines[] = {
        "010261,50.19,50.81,49.80,50.72,2034389,11700",
        ",,010261,,50.19,50.81,,49.80,50.72,2034389,11700,,",
        "010261,50.19,50.81",  // columns missing
        "010261",
        ",,,",
        "",
        "010261,.5,5.,.,-1.25,+3,1e3",
        "010261, 50.19,50.81 ,\t49.8,50.72x,12345678,1234567",
        "010261,1234567.,123456.7,.1234567,12345678.9,0.00000001,99999999",
        "010261,null,n/a,\"50.19\",inf,nan,0x10",
        "010261,5e,5e+,5e+1,5E-1,1e39,1e-50",
    };
    for (char delimiter : {',', '\t', ' ', ';'}) {
        for (const char* text : lines) {
            std::string line(text);
            for (char& c : line) {
                c = c == ',' ? delimiter : c;
            }
            ExpectSameReading(SevenFields(delimiter), line);
        }
    }
    // The NULs of a line are part of it.
    constexpr char kWithNuls[] = "010261,50.19\0,50\0.81,\0,49.80,50.72,1";
    ExpectSameReading(SevenFields(','), std::string_view(kWithNuls, sizeof kWithNuls - 1));
}

TEST(FieldColumns, DelimitersThatCouldBePartOfANumber) {
    for (char delimiter : {'.', '5', '0', 'e', 'E', '-', '+', '\0'}) {
        for (const char* text : {"010261.50.19.50.81.49.80.50.72.2034389.11700",
                                 "01026155019550815498055072520343895117005", "1e2e3e4e5e6e7",
                                 "1-2-3--4-5-6-7", "1+2+3+4+5+6+7"}) {
            ExpectSameReading(SevenFields(delimiter), text);
        }
        ExpectSameReading(SevenFields(delimiter), std::string_view("1\0"
                                                                   "2\0"
                                                                   "3\0"
                                                                   "4",
                                                                   7));
    }
}

TEST(FieldColumns, ShuffledAndSharedColumns) {
    Layout layout = SevenFields(',');
    layout.fieldCol = {6, 5, 4, 3, 2, 1, 0};
    ExpectSameReading(layout, "11700,2034389,50.72,49.80,50.81,50.19,010261");
    layout.fieldCol = {19, 0, 0, 3, 3, 18, 1};
    ExpectSameReading(layout, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21");
    ExpectSameReading(layout, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19");
    layout.fieldOn = {1, 0, 0, 0, 1, 0, 0};
    layout.fieldCol = {0, 1, 2, 3, 1, 5, 6};
    ExpectSameReading(layout, "010261,x,50.72");  // close only, not a number
    ExpectSameReading(layout, "010261,50.72");
    layout.fieldOn = {1, 0, 0, 0, 0, 1, 0};
    ExpectSameReading(layout, "010261,50.72,1,2,3,4");  // volume only: never priced
}

TEST(FieldColumns, RandomLinesReadAsThePlainReadingDoes) {
    std::mt19937 random(20261207);
    constexpr char kAlphabet[] = "0123456789012345678901234567890123456789..,,\t  ;-+eE\"ax\0";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);  // with its NUL
    const std::array<char, 9> delimiters = {',', '\t', ' ', ';', '.', '5', 'e', '-', '\0'};
    auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int round = 0; round < 20000; ++round) {
        Layout layout;
        layout.delimiter = delimiters[pick(delimiters.size())];
        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            layout.fieldOn[s] = s == 0 || pick(4) != 0 ? 1 : 0;
            layout.fieldCol[s] = static_cast<int>(pick(3) == 0 ? pick(kMaxColumns) : pick(8));
        }
        for (int n = 0; n < 8; ++n) {
            std::string line;
            const std::size_t length = pick(64);
            for (std::size_t i = 0; i < length; ++i) {
                line += pick(3) == 0 ? layout.delimiter : alphabet[pick(alphabet.size())];
            }
            ExpectSameReading(layout, line);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

}  // namespace
}  // namespace torvan::test
