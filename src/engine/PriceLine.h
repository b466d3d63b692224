// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "database/DataFile.h"

namespace torvan {

// How the lines of a price file are read: what a job's settings say about
// one line, in one place, so that the conversion, the preview and the
// layout detection read every line alike.
struct LineLayout {
    char delimiter = ',';
    // CSV reading (quotes, empty fields keep their column, separators in
    // numbers, dates with a time or month names); otherwise the plain
    // splitting at runs of the delimiter.
    bool csv = false;
    bool decimalComma = false;  // CSV reading only
    bool monthNames = false;
    int dateFormat = 0;
    FieldFlags fieldOn{1, 1, 1, 1, 1, 1, 1};
    std::array<int, kFieldSlots> fieldCol{0, 1, 2, 3, 4, 5, 6};  // 0-based
    // The column naming the security a line belongs to, in a file that
    // holds many (0-based); -1 for none.
    int tickerColumn = -1;
    // The time of day of intraday bars: a column of its own (0-based), or
    // after the date in the date column; neither for daily lines.
    int timeColumn = -1;
    bool timeInDate = false;
    bool HasTime() const { return timeColumn >= 0 || timeInDate; }
};

enum class LineKind {
    kEmpty,    // no column at all: passed over, not counted
    kNoDate,   // the date column yields no date (or an intraday line no time)
    kNoPrice,  // a date, but none of open, high, low and close is a number
    kRecord,   // a price record
};

struct PriceLine {
    LineKind kind = LineKind::kEmpty;
    int columns = 0;              // columns the line has (up to 20)
    bool missingColumns = false;  // a present field's column is past the line's end
    std::string dateText;         // the date column as split, before any rewriting
    std::string ticker;           // the ticker column, trimmed; empty for none
    std::string readDate;         // the text the date layout was applied to
    // 1 when month-name translation met a letter in the date (the plain
    // reading's excuse for letters in a numeric-only format), else 0.
    int monthNameResult = 0;
    std::uint16_t day = 0;  // day number, 0 for none
    // The time of day as HHMMSS when the layout has a time; -1 when it has
    // none or the line's time is no time of day (then kind is kNoDate).
    long time = -1;
    // By slot; slot 0 unused. A field that is absent, missing or no number
    // is 0.
    std::array<float, kFieldSlots> values{};
};

// Reads one line (its line end removed) as layout says.
PriceLine ReadPriceLine(std::string_view line, const LineLayout& layout);

// Removes a line end: a line feed and the carriage returns before it, or
// the carriage returns that end a line without one.
void StripLineEnd(std::string& line);

}  // namespace torvan
