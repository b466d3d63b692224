// SPDX-License-Identifier: GPL-3.0-or-later
// The ticker column of a file that holds many securities.

#include <algorithm>
#include <set>
#include <utility>

#include "detect/Stages.h"
#include "engine/CsvText.h"
#include "platform/Text.h"

namespace torvan::detect {
namespace {

bool IsTickerName(const std::string& key) {
    static const std::vector<std::string> names = {
        "ticker", "symbol", "code", "sym", "ticker symbol", "stock code", "security code", "secid"};
    return std::find(names.begin(), names.end(), key) != names.end();
}

// The column's text on a price line, trimmed; empty where the line lacks it.
std::string Cell(const SampleLine& line, int column) {
    const auto c = static_cast<std::size_t>(column);
    return c < line.fields.size() ? std::string(Trim(line.fields[c])) : std::string();
}

// A column of names, not numbers, on every price line, whose values repeat
// with the dates: a date comes again under another name, never twice under
// one. The number of distinct names, or 0 when the column is no such one.
std::size_t TickerValues(const Sample& sample, int column) {
    const auto code = static_cast<std::size_t>(sample.dateCode);
    std::set<std::string> names;
    std::set<std::uint16_t> days;
    std::set<std::pair<std::string, std::uint16_t>> pairs;
    long lines = 0;
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        if (!sample.isData[i]) {
            continue;
        }
        const std::string cell = Cell(sample.lines[i], column);
        if (cell.empty() || ReadCsvNumber(cell, false) || ReadCsvNumber(cell, true)) {
            return 0;
        }
        ++lines;
        names.insert(cell);
        days.insert(sample.days[i][code]);
        if (!pairs.emplace(cell, sample.days[i][code]).second) {
            return 0;
        }
    }
    const bool datesRepeat = static_cast<long>(days.size()) < lines;
    return names.size() >= 2 && datesRepeat ? names.size() : 0;
}

}  // namespace

// A column the header names Ticker, Symbol or Code, or else a column of
// names that repeat with the dates.
void FindTickerColumn(Sample& sample, Detection& result) {
    for (std::size_t c = 0; c < sample.headerKeys.size(); ++c) {
        const int column = static_cast<int>(c);
        if (column != sample.dateColumn && column < sample.columnCount &&
            IsTickerName(sample.headerKeys[c])) {
            sample.tickerColumn = column;
            break;
        }
    }
    Confidence confidence = Confidence::kSure;
    std::string reason;
    for (int c = 0; sample.tickerColumn == kNoColumn && c < sample.columnCount; ++c) {
        if (c == sample.dateColumn) {
            continue;
        }
        if (const std::size_t names = TickerValues(sample, c); names > 0) {
            sample.tickerColumn = c;
            confidence = Confidence::kLikely;
            reason = "no header names it; its " + std::to_string(names) +
                     " names repeat with the dates, each date once under each name";
        }
    }
    if (sample.tickerColumn == kNoColumn) {
        return;
    }
    result.settings.tickerCol = sample.tickerColumn + 1;
    Choose(result, "ticker column", ColumnLabel(sample.tickerColumn, result.columnNames),
           confidence, reason);
}

}  // namespace torvan::detect
