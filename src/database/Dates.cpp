// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Dates.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace torvan {
namespace {

constexpr std::array<int, 12> kCumulativeDays = {0,   31,  59,  90,  120, 151,
                                                 181, 212, 243, 273, 304, 334};

// The month of each day of a common (0) and a leap (1) year, by the day's
// number in the year (1 to 366).
constexpr auto kMonthOfDay = [] {
    std::array<std::array<std::uint8_t, 367>, 2> table{};
    for (int leap = 0; leap < 2; ++leap) {
        for (int d = 1; d <= 366; ++d) {
            int m = 12;
            while (m > 1 && kCumulativeDays[static_cast<std::size_t>(m - 1)] +
                                    ((m > 2 && leap == 1) ? 1 : 0) >=
                                d) {
                --m;
            }
            table[static_cast<std::size_t>(leap)][static_cast<std::size_t>(d)] =
                static_cast<std::uint8_t>(m);
        }
    }
    return table;
}();

constexpr std::array<const char*, 12> kFormatNames = {
    "YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
    "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY"};

struct Positions {
    int century;  // -1: the layout has no century digits
    int year;
    int month;
    int day;
};

// Where the two-digit numbers stand in the normalised working form.
constexpr std::array<Positions, 12> kPositions = {{
    {-1, 0, 3, 6},  // YY/MM/DD
    {0, 2, 5, 8},   // CCYY/MM/DD
    {-1, 6, 0, 3},  // MM/DD/YY
    {6, 8, 0, 3},   // MM/DD/CCYY
    {-1, 6, 3, 0},  // DD/MM/YY
    {6, 8, 3, 0},   // DD/MM/CCYY
    {-1, 0, 2, 4},  // YYMMDD
    {0, 2, 4, 6},   // CCYYMMDD
    {-1, 4, 0, 2},  // MMDDYY
    {4, 6, 0, 2},   // MMDDCCYY
    {-1, 4, 2, 0},  // DDMMYY
    {4, 6, 2, 0},   // DDMMCCYY
}};

// Whether the 6 or 8 characters at p are all digits, all bytes at once: a
// byte is a digit when its top half is 3 and adding 6 keeps it so. (A carry
// out of a byte only comes from one that is no digit anyway.)
bool AllDigits(const char* p, std::size_t size) {
    std::uint64_t word = 0;
    std::uint64_t used = ~std::uint64_t{0};
    if (size == 8) {
        std::memcpy(&word, p, 8);
    } else {
        std::uint32_t first = 0;
        std::uint16_t rest = 0;
        std::memcpy(&first, p, 4);
        std::memcpy(&rest, p + 4, 2);
        word = first | (std::uint64_t{rest} << 32);
        used = (std::uint64_t{1} << 48) - 1;
    }
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL;
    constexpr std::uint64_t kThrees = 0x3030303030303030ULL;
    constexpr std::uint64_t kSixes = 0x0606060606060606ULL;
    return (((word & kHigh) ^ kThrees) & used) == 0 &&
           ((((word + kSixes) & kHigh) ^ kThrees) & used) == 0;
}

// A two-character number: leading blanks skipped, digits up to the first
// other character; nothing numeric reads as 0.
int ReadPair(const char* p) {
    int i = 0;
    while (i < 2 && (p[i] == ' ' || p[i] == '\t')) {
        ++i;
    }
    int value = 0;
    for (; i < 2 && IsDigit(p[i]); ++i) {
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

}  // namespace

const std::array<const char*, 12>& DateFormatNames() {
    return kFormatNames;
}

std::string_view DateFormatName(int code) {
    if (code < 1 || code > 12) {
        return {};
    }
    return kFormatNames[static_cast<std::size_t>(code - 1)];
}

int DateFormatFromName(std::string_view name) {
    for (std::size_t i = 0; i < kFormatNames.size(); ++i) {
        if (EqualsNoCase(kFormatNames[i], name)) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int DateFormatFromPrefix(std::string_view text) {
    for (std::size_t i = 0; i < kFormatNames.size(); ++i) {
        if (StartsWithNoCase(kFormatNames[i], text)) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

DateLayout DateLayoutOf(int code) {
    if (code < 1 || code > 12) {
        return {};
    }
    const Positions& pos = kPositions[static_cast<std::size_t>(code - 1)];
    // The year starts at its century where it has one; a number's place is
    // how many of the three start before it.
    const int yearAt = pos.century >= 0 ? pos.century : pos.year;
    auto place = [&](int at) {
        return static_cast<int>(yearAt < at) + static_cast<int>(pos.month < at) +
               static_cast<int>(pos.day < at);
    };
    return {code < kYYMMDD, pos.century >= 0, place(yearAt), place(pos.month), place(pos.day)};
}

std::uint16_t DateToDayNumber(int year, int month, int day) {
    if (month < 1 || month > 12) {
        return 0;
    }
    int y = year > 1900 ? year - 1900 : year;
    long n = day + kCumulativeDays[static_cast<std::size_t>(month - 1)] +
             (static_cast<long>(y - 61) * 1461) / 4;
    if (month > 2 && y % 4 == 0) {
        n += 1;
    }
    return static_cast<std::uint16_t>(static_cast<unsigned long>(n) & 0xFFFFU);
}

CalendarDate DayNumberToDate(std::uint16_t dayNumber) {
    if (dayNumber == 0) {
        return {};
    }
    const long n = dayNumber;
    const long c = (4 * n - 1) / 1461;
    const long d = n - (c * 1461) / 4;  // day of the year, 1 to 366
    const int y = static_cast<int>(c + 61);
    const bool leap = y % 4 == 0;
    // A conversion needs this for every line: a table, not a search.
    const int m = kMonthOfDay[leap ? 1 : 0][static_cast<std::size_t>(d)];
    const long entry = kCumulativeDays[static_cast<std::size_t>(m - 1)] + ((m > 2 && leap) ? 1 : 0);
    return CalendarDate{y, m, static_cast<int>(d - entry)};
}

Bytes4 DayNumberToStoredDate(std::uint16_t dayNumber) {
    if (dayNumber == 0) {
        return Bytes4{0, 0, 0, 0};
    }
    CalendarDate date = DayNumberToDate(dayNumber);
    const float value = static_cast<float>(date.year * 10000 + date.month * 100 + date.day);
    return FloatToMbf(value);
}

namespace {

// The date's text as the layouts read it: up to a NUL (which ends a field),
// past leading blanks and an opening quote.
std::string_view DateTextOf(std::string_view input) {
    if (auto nul = input.find('\0'); nul != std::string_view::npos) {
        input = input.substr(0, nul);
    }
    std::size_t start = 0;
    while (start < input.size() && input[start] == ' ') {
        ++start;
    }
    if (start < input.size() && input[start] == '"') {
        ++start;
    }
    return input.substr(start);
}

// Writes a separated date into work in its layout's fixed places, one-digit
// fields zero-filled ("1/2/03" -> "01/02/03"). Fewer than two separators
// leave work empty.
void NormalizeSeparated(std::string_view text, int format, char* work) {
    auto at = [&text](std::size_t i) -> char { return i < text.size() ? text[i] : '\0'; };
    std::size_t separators = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            if (separators == 0) {
                first = i;
            }
            last = i;
            ++separators;
        }
    }
    if (separators < 2) {
        return;
    }
    const std::size_t s = 0;
    const std::size_t p = first + 1;
    const std::size_t q = last + 1;
    const std::size_t e = text.size();
    auto field = [&](char* out, std::size_t from, bool twoChars) {
        if (twoChars) {
            out[0] = at(from);
            out[1] = at(from + 1);
        } else {
            out[0] = '0';
            out[1] = at(from);
        }
    };
    if (format == kCCYY_MM_DD) {
        for (std::size_t i = 0; i < 5; ++i) {
            work[i] = at(i);
        }
        field(work + 5, p, q - p == 3);
        work[7] = '/';
        field(work + 8, q, e - q == 2);
        return;
    }
    field(work + 0, s, p - s == 3);
    work[2] = '/';
    field(work + 3, p, q - p == 3);
    work[5] = '/';
    if (format == kMM_DD_CCYY || format == kDD_MM_CCYY) {
        if (e - q == 4) {
            for (std::size_t i = 0; i < 4; ++i) {
                work[6 + i] = at(q + i);
            }
        } else {
            std::memcpy(work + 6, "1999", 4);
        }
    } else {
        field(work + 6, q, e - q == 2);
    }
}

// The day number of the date in work's fixed places, 0 when it is none.
std::uint16_t DayOfWorkForm(const char* work, int format) {
    const Positions& pos = kPositions[static_cast<std::size_t>(format - 1)];
    const int year = ReadPair(work + pos.year);
    const int month = ReadPair(work + pos.month);
    const int day = ReadPair(work + pos.day);
    int offset = 0;
    if (pos.century >= 0) {
        offset = (ReadPair(work + pos.century) - 19) * 100;
    }
    if (year == 0 && month == 0 && day == 0) {
        return 0;
    }
    if (month < 1 || month > 12) {
        return 0;
    }
    if (pos.century >= 0) {
        // A four-digit year stands for itself: the calendar starts in 1961,
        // and a year such as 1955 must not be moved into 2055.
        if (1900 + offset + year < 1961) {
            return 0;
        }
    } else if (year < 61) {
        offset = 100;
    }
    // Years past the calendar's end would wrap around to a date in the 1960s.
    const int y = year + offset;
    const long lastDay = static_cast<long>(y - 61) * 1461 / 4 +
                         kCumulativeDays[static_cast<std::size_t>(month - 1)] + day +
                         ((month > 2 && y % 4 == 0) ? 1 : 0);
    if (lastDay > 0xFFFF) {
        return 0;
    }
    return DateToDayNumber(y, month, day);
}

}  // namespace

std::uint16_t ParseDateText(std::string_view input, int format) {
    const std::string_view text = DateTextOf(input);
    if (text.empty() || format < 1 || format > 12 || text.size() > 10) {
        return 0;
    }
    // Working form, zero-filled so that anything not written reads as empty.
    char work[11];
    std::memset(work, 0, sizeof work);
    if (format >= 7) {
        std::memcpy(work, text.data(), text.size());
    } else {
        NormalizeSeparated(text, format, work);
    }
    return DayOfWorkForm(work, format);
}

std::uint16_t ParseStoredDate(std::string_view text, int format, Bytes4& stored) {
    // The usual numeric date, all digits and exactly as long as its layout,
    // read straight from its places; anything else the long way.
    const std::size_t size = text.size();
    if (format < 7 || format > 12 || size != (format % 2 == 0 ? 8U : 6U)) {
        const std::uint16_t dayNumber = ParseDateText(text, format);
        stored = DayNumberToStoredDate(dayNumber);
        return dayNumber;
    }
    const char* p = text.data();
    if (!AllDigits(p, size)) {
        const std::uint16_t dayNumber = ParseDateText(text, format);
        stored = DayNumberToStoredDate(dayNumber);
        return dayNumber;
    }
    auto pair = [p](int at) { return (p[at] - '0') * 10 + (p[at + 1] - '0'); };
    const Positions& pos = kPositions[static_cast<std::size_t>(format - 1)];
    const int year = pair(pos.year);
    const int month = pair(pos.month);
    const int day = pair(pos.day);
    // Years from 1900; a four-digit year stands for itself, a two-digit one
    // below 61 is of the 2000s.
    const int y =
        pos.century >= 0 ? (pair(pos.century) - 19) * 100 + year : (year < 61 ? year + 100 : year);
    stored = Bytes4{0, 0, 0, 0};
    if (y < 61 || month < 1 || month > 12) {
        return 0;
    }
    const auto m = static_cast<std::size_t>(month);
    const bool leap = y % 4 == 0;
    const long dayNumber = static_cast<long>(y - 61) * 1461 / 4 + kCumulativeDays[m - 1] + day +
                           ((month > 2 && leap) ? 1 : 0);
    if (dayNumber <= 0 || dayNumber > 0xFFFF) {
        return 0;
    }
    const int monthDays =
        month == 12 ? 31
                    : kCumulativeDays[m] - kCumulativeDays[m - 1] + ((month == 2 && leap) ? 1 : 0);
    // A day 0 or one past its month's end is counted into the next month or
    // the one before, as the day number has it.
    stored = day >= 1 && day <= monthDays
                 ? FloatToMbf(static_cast<float>(y * 10000 + month * 100 + day))
                 : DayNumberToStoredDate(static_cast<std::uint16_t>(dayNumber));
    return static_cast<std::uint16_t>(dayNumber);
}

long ParseTimeText(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    // Fractions of a second ("09:30:00.000") say nothing a bar needs.
    if (const std::size_t point = text.find('.'); point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        if (point == 0 || !std::all_of(fraction.begin(), fraction.end(), IsDigit)) {
            return -1;
        }
        text = text.substr(0, point);
    }
    std::array<long, 3> parts{};
    std::size_t count = 0;
    if (text.find(':') != std::string_view::npos) {
        // H:MM, HH:MM or HH:MM:SS: minutes and seconds have two digits.
        std::size_t start = 0;
        for (;;) {
            const std::size_t colon = std::min(text.find(':', start), text.size());
            const std::string_view part = text.substr(start, colon - start);
            const bool fits = count == 0 ? part.size() == 1 || part.size() == 2 : part.size() == 2;
            if (count == 3 || !fits || !std::all_of(part.begin(), part.end(), IsDigit)) {
                return -1;
            }
            for (const char c : part) {
                parts[count] = parts[count] * 10 + (c - '0');
            }
            ++count;
            if (colon == text.size()) {
                break;
            }
            start = colon + 1;
        }
        if (count < 2) {
            return -1;
        }
    } else {
        // HHMM or HHMMSS, leading zero written.
        if ((text.size() != 4 && text.size() != 6) ||
            !std::all_of(text.begin(), text.end(), IsDigit)) {
            return -1;
        }
        for (std::size_t i = 0; i < text.size(); i += 2) {
            parts[count++] = (text[i] - '0') * 10 + (text[i + 1] - '0');
        }
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) {
        return -1;
    }
    return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

DateAndTime SplitDateTime(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    // The time is the last word, or what follows an ISO 'T' after a digit.
    std::size_t at = text.find_last_of(" \t");
    if (at == std::string_view::npos) {
        at = text.find('T');
        if (at == std::string_view::npos || at == 0 || !IsDigit(text[at - 1])) {
            return {text, -1};
        }
    }
    const long time = ParseTimeText(text.substr(at + 1));
    if (time < 0) {
        return {text, -1};
    }
    std::string_view date = text.substr(0, at);
    while (!date.empty() && (date.back() == ' ' || date.back() == '\t')) {
        date.remove_suffix(1);
    }
    return {date, time};
}

}  // namespace torvan
