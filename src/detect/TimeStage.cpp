// SPDX-License-Identifier: GPL-3.0-or-later
// Intraday bars: the time of day of each line, in a column of its own or
// after the date; and, for a file without one, why its dates repeat.

#include <set>

#include "database/Dates.h"
#include "detect/Stages.h"

namespace torvan::detect {
namespace {

// The price lines of the sample, as indices into lines.
std::vector<std::size_t> DataLines(const Sample& sample) {
    std::vector<std::size_t> data;
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        if (sample.isData[i]) {
            data.push_back(i);
        }
    }
    return data;
}

const std::string& Cell(const Sample& sample, std::size_t line, int column) {
    static const std::string kNone;
    const auto& fields = sample.lines[line].fields;
    const auto c = static_cast<std::size_t>(column);
    return c < fields.size() ? fields[c] : kNone;
}

// How many different times the column gives the lines (read by timeOf);
// 0 when one line gives none. A constant time ("00:00" on daily lines)
// is no intraday bar.
template <typename TimeOf>
std::size_t DistinctTimes(const std::vector<std::size_t>& data, TimeOf timeOf) {
    std::set<long> times;
    for (const std::size_t i : data) {
        const long time = timeOf(i);
        if (time < 0) {
            return 0;
        }
        times.insert(time);
    }
    return times.size();
}

// Whether the times of column rise from line to line within every day, as
// bars do (and volumes of four digits seldom do).
bool RisesWithinDays(const Sample& sample, const std::vector<std::size_t>& data, int column) {
    for (std::size_t k = 1; k < data.size(); ++k) {
        const auto& days = sample.days;
        if (days[data[k]][sample.dateCode] == days[data[k - 1]][sample.dateCode] &&
            ParseTimeText(Cell(sample, data[k], column)) <=
                ParseTimeText(Cell(sample, data[k - 1], column))) {
            return false;
        }
    }
    return true;
}

// A text column (no numbers) other than the date whose values repeat: a
// ticker or code column. kNoColumn when there is none.
int TextColumn(const Sample& sample, const std::vector<std::size_t>& data) {
    for (int c = 0; c < sample.columnCount; ++c) {
        if (c == sample.dateColumn) {
            continue;
        }
        std::set<std::string> values;
        bool text = true;
        for (const std::size_t i : data) {
            const std::string& cell = Cell(sample, i, c);
            text = text && !cell.empty() && cell.find_first_of("0123456789") == std::string::npos;
            values.insert(cell);
        }
        if (text && values.size() >= 2 && values.size() * 2 <= data.size()) {
            return c;
        }
    }
    return kNoColumn;
}

// Tells what a file whose dates repeat or go back most likely is.
void ExplainDates(const Sample& sample, const std::vector<std::size_t>& data, Detection& result) {
    long repeats = 0;
    long backwards = 0;
    const bool newestFirst = result.settings.reverse != 0;
    for (std::size_t k = 1; k < data.size(); ++k) {
        const std::uint16_t before = sample.days[data[k - 1]][sample.dateCode];
        const std::uint16_t day = sample.days[data[k]][sample.dateCode];
        repeats += day == before ? 1 : 0;
        backwards += (newestFirst ? day > before : day < before) ? 1 : 0;
    }
    if (repeats == 0 && backwards == 0) {
        return;
    }
    std::string what;
    if (const int ticker = TextColumn(sample, data); ticker != kNoColumn) {
        what = "several tickers (" + ColumnLabel(ticker, result.columnNames) +
               " names them); convert one ticker's lines at a time";
    } else if (repeats > backwards) {
        what =
            "intraday bars without a time column; give the time column or convert with "
            "--daily";
    } else {
        what = "lines in no date order; sort the file by date";
    }
    result.warnings.push_back(
        "The dates of " + Plural(repeats + backwards, "line", "lines") + " in the sample " +
        (repeats > 0 ? "repeat the date above" : "come before the date above") +
        ": the file most likely holds " + what + ". A conversion reports such lines.");
}

}  // namespace

void FindTimeColumn(Sample& sample, Detection& result) {
    const std::vector<std::size_t> data = DataLines(sample);
    if (data.size() < 2 || sample.dateCode <= 0) {
        return;
    }
    const bool named = [&] {
        for (const std::string& key : sample.headerKeys) {
            if (key == "time") {
                return true;
            }
        }
        return false;
    }();
    if (DistinctTimes(data, [&](std::size_t i) {
            return SplitDateTime(Cell(sample, i, sample.dateColumn)).time;
        }) >= 2) {
        result.timeInDate = true;
        Choose(result, "time",
               "after the date in " + ColumnLabel(sample.dateColumn, result.columnNames),
               Confidence::kSure);
        return;
    }
    for (int c = 0; c < sample.columnCount; ++c) {
        if (c == sample.dateColumn) {
            continue;
        }
        bool colons = true;
        const std::size_t distinct = DistinctTimes(data, [&](std::size_t i) {
            const std::string& cell = Cell(sample, i, c);
            colons = colons && cell.find(':') != std::string::npos;
            return ParseTimeText(cell);
        });
        // Four or six digits are times only where the header or repeated
        // dates say so; they could be prices or volumes.
        const bool header = named && static_cast<std::size_t>(c) < sample.headerKeys.size() &&
                            sample.headerKeys[static_cast<std::size_t>(c)] == "time";
        const bool datesRepeat = DistinctTimes(data, [&](std::size_t i) {
                                     return long{sample.days[i][sample.dateCode]};
                                 }) < data.size();
        if (distinct >= 2 &&
            (colons || header || (datesRepeat && RisesWithinDays(sample, data, c)))) {
            sample.timeColumn = c;
            result.timeColumn = c;
            Choose(result, "time column", ColumnLabel(c, result.columnNames),
                   colons || header ? Confidence::kSure : Confidence::kLikely,
                   colons || header ? "" : "its numbers read as times of day and dates repeat");
            return;
        }
    }
    // With a ticker column the dates repeat from one ticker to the next;
    // their order is judged per ticker.
    if (sample.tickerColumn == kNoColumn) {
        ExplainDates(sample, data, result);
    }
}

}  // namespace torvan::detect
