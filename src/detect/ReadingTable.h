// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/ImportSettings.h"

namespace torvan {

// What becomes of one line of a price file under a set of reading settings.
enum class TableRowKind {
    kHeader,   // among the rows to skip at the top
    kFooter,   // among the footer rows at the end
    kEmpty,    // no column at all: passed over
    kRecord,   // stored as a price record
    kNoDate,   // skipped: the date does not read in the chosen format
    kNoPrice,  // skipped: a date, but none of open, high, low and close is a number
};

struct TableCell {
    std::string text;           // the column as split
    std::uint8_t fields = 0;    // bit s for each field slot the column feeds (bit 0: date)
    bool storedAsZero = false;  // a field's column that holds no number
};

struct TableRow {
    long line = 0;  // 1-based line number in the file
    TableRowKind kind = TableRowKind::kEmpty;
    std::vector<TableCell> cells;
    std::string date;  // the date as read, YYYY-MM-DD; empty when it does not read
    // Field fields whose column lies past the line's end (stored as 0), bit s for slot s.
    std::uint8_t missingSlots = 0;
};

struct ReadingTable {
    std::vector<TableRow> rows;
    int columns = 0;     // the most columns of any row
    std::string whyNot;  // set when the file cannot be read
};

// The first count lines of path split and read as a conversion with
// settings would read them, in file order, each with what becomes of it;
// header and footer rows are split too, so that they can be seen. The file
// is read no further than the footer needs. Reads only; changes nothing.
ReadingTable ReadLinesAsTable(const std::string& path, const ImportSettings& settings,
                              std::size_t count);

}  // namespace torvan
