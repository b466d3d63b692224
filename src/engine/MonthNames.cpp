// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/MonthNames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/Text.h"

namespace torvan {
namespace {

struct MonthName {
    const char* name;
    const char* replacement;  // '*' marks where the name stood
};

constexpr std::array<MonthName, 12> kMonths = {{{"JAN", "*01"},
                                                {"FEB", "*02"},
                                                {"MAR", "*03"},
                                                {"APR", "*04"},
                                                {"MAY", "*05"},
                                                {"JUN", "*06"},
                                                {"JUL", "*07"},
                                                {"AUG", "*08"},
                                                {"SEP", "*09"},
                                                {"OCT", "*10"},
                                                {"NOV", "*11"},
                                                {"DEC", "*12"}}};

std::string Trimmed(const std::string& text) {
    return std::string(Trim(text));
}

// Puts the month's digits where its name stood at position, then closes the
// first run of blanks in the date.
void ReplaceMonthName(std::size_t position, const char* replacement, std::string& date) {
    std::string copy = date.substr(0, date.find('\0'));
    if (position + 3 > copy.size()) {
        return;
    }
    copy.replace(position, 3, replacement, 3);
    const std::size_t star = copy.find('*');
    if (star == std::string::npos) {
        return;
    }
    copy[star] = ' ';
    copy = Trimmed(copy);
    const std::size_t blank = copy.find(' ');
    if (blank != std::string::npos) {
        copy = Trimmed(copy.substr(0, blank)) + Trimmed(copy.substr(blank));
    }
    date = copy;
}

}  // namespace

int TranslateMonthName(std::string& date) {
    // The date is a C string: it ends at a NUL.
    const std::size_t length = std::min(date.size(), date.find('\0'));
    std::size_t position = 0;
    while (position < length) {
        const auto code = static_cast<unsigned char>(date[position]);
        if (code >= 65 && code <= 127) {
            break;
        }
        ++position;
    }
    if (position == length) {
        return 0;
    }
    if (position + 3 <= length) {
        char upper[3];
        for (std::size_t i = 0; i < 3; ++i) {
            const char c = date[position + i];
            upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        for (const MonthName& month : kMonths) {
            if (std::memcmp(upper, month.name, 3) == 0) {
                ReplaceMonthName(position, month.replacement, date);
                break;
            }
        }
    }
    return 1;
}

}  // namespace torvan
