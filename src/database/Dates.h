// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "database/Mbf.h"

namespace torvan {

// Date format codes, in the order of the settings dialog's list.
enum DateFormat : int {
    kFormatNone = 0,
    kYY_MM_DD = 1,
    kCCYY_MM_DD = 2,
    kMM_DD_YY = 3,
    kMM_DD_CCYY = 4,
    kDD_MM_YY = 5,
    kDD_MM_CCYY = 6,
    kYYMMDD = 7,
    kCCYYMMDD = 8,
    kMMDDYY = 9,
    kMMDDCCYY = 10,
    kDDMMYY = 11,
    kDDMMCCYY = 12,
};

// The twelve list labels, in code order (code 1 first).
const std::array<const char*, 12>& DateFormatNames();
// The list label of a format code ("YY_MM_DD" .. "DDMMCCYY"); empty for a
// code outside 1..12.
std::string_view DateFormatName(int code);
// The code of a list label, ignoring ASCII case; 0 if there is none.
int DateFormatFromName(std::string_view name);
// The code of the first list label that begins with text, ignoring ASCII
// case, as a typed prefix selects an entry of the date format list; 0 if
// none does.
int DateFormatFromPrefix(std::string_view text);

// How a layout writes a date: its three numbers with separators between
// them ("12/31/1999") or as one run of digits ("19991231"), the year with
// its century or without, and the place (0, 1 or 2) of each number.
struct DateLayout {
    bool separated = false;
    bool century = false;
    int yearPlace = 0;
    int monthPlace = 0;
    int dayPlace = 0;
};
// The layout of a format code; all zero for a code outside 1..12.
DateLayout DateLayoutOf(int code);

// Day numbers count days from 1 January 1961 (day 1), every year divisible
// by 4 being a leap year. Day 0 means "no date".
//
// year is years since 1900 or, when greater than 1900, a full year. Days
// past a month's end carry into the next month, day 0 is the previous
// month's last day. A month outside 1..12 gives 0.
std::uint16_t DateToDayNumber(int year, int month, int day);

struct CalendarDate {
    int year = 0;   // years since 1900
    int month = 0;  // 1..12; 0 for day number 0
    int day = 0;
};
CalendarDate DayNumberToDate(std::uint16_t dayNumber);

// The stored date (year - 1900) * 10000 + month * 100 + day as MBF bytes;
// day number 0 gives four zero bytes (MBF 0).
Bytes4 DayNumberToStoredDate(std::uint16_t dayNumber);

// Reads a date text in one of the twelve layouts. Returns 0 when the text
// yields no date: too long, no separators where they are needed, an
// all-zero date, a month outside 1..12, a four-digit year outside what the
// calendar can hold (before 1961 or past its last day).
std::uint16_t ParseDateText(std::string_view text, int format);

// ParseDateText and DayNumberToStoredDate of its result in one, as a
// conversion needs them for every line.
std::uint16_t ParseStoredDate(std::string_view text, int format, Bytes4& stored);

// A time of day as HHMMSS (9:30 = 93000) from "HH:MM", "HH:MM:SS", "HHMM" or
// "HHMMSS" (one-digit hours too, fractions of a second dropped); -1 when the
// text is none of these or no time of day.
long ParseTimeText(std::string_view text);

// A date column that holds a time after the date ("2024-01-02 09:30",
// "20240102 093000", "2024-01-02T09:30"): the date part and the time. time
// is -1 and date the whole text when no time follows the date.
struct DateAndTime {
    std::string_view date;
    long time = -1;
};
DateAndTime SplitDateTime(std::string_view text);

}  // namespace torvan
