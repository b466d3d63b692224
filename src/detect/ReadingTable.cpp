// SPDX-License-Identifier: GPL-3.0-or-later
#include "detect/ReadingTable.h"

#include <algorithm>
#include <optional>

#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "database/Mbf.h"
#include "detect/Detect.h"
#include "engine/CsvText.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"
#include "platform/MessageCatalogue.h"

namespace torvan {
namespace {

std::string WhyNotRead(const TextReader& reader, const std::string& path) {
    switch (reader.Problem()) {
        case ReadProblem::kNotAFile:
            return MessageText(MessageId::kInputNotAFile, {path});
        case ReadProblem::kLineTooLong:
            return MessageText(MessageId::kLineTooLong, {std::to_string(reader.LineNumber()), path,
                                                         std::to_string(kMaxLineBytes)});
        case ReadProblem::kCannotOpen:
            return MessageText(MessageId::kCannotOpenInputFile, {path});
        default:
            return MessageText(MessageId::kCannotReadInputFile, {path});
    }
}

std::vector<std::string> Split(const std::string& line, const LineLayout& layout) {
    return layout.csv ? SplitCsvLine(line, layout.delimiter, kMaxColumns)
                      : SplitPlainLine(line, layout.delimiter, kMaxColumns);
}

// A line past the rows to skip: the conversion's reading of it, and per
// column which fields it feeds and whether a field's text is no number.
TableRow ReadRow(long number, const std::string& line, const LineLayout& layout) {
    TableRow row;
    row.line = number;
    const PriceLine read = ReadPriceLine(line, layout);
    switch (read.kind) {
        case LineKind::kEmpty:
            row.kind = TableRowKind::kEmpty;
            break;
        case LineKind::kNoDate:
            row.kind = TableRowKind::kNoDate;
            break;
        case LineKind::kNoPrice:
            row.kind = TableRowKind::kNoPrice;
            break;
        case LineKind::kRecord:
            row.kind = TableRowKind::kRecord;
            break;
    }
    if (read.day != 0) {
        row.date = StoredDateText(MbfToFloat(DayNumberToStoredDate(read.day)));
    }
    for (std::string& text : Split(line, layout)) {
        row.cells.push_back({std::move(text)});
    }
    // An empty line is passed over whole: no field of it is stored.
    for (std::size_t slot = 0; slot < kFieldSlots && row.kind != TableRowKind::kEmpty; ++slot) {
        if (layout.fieldOn[slot] == 0) {
            continue;
        }
        const auto column = static_cast<std::size_t>(layout.fieldCol[slot]);
        if (column >= row.cells.size()) {
            row.missingSlots |= static_cast<std::uint8_t>(1U << slot);
            continue;
        }
        TableCell& cell = row.cells[column];
        cell.fields |= static_cast<std::uint8_t>(1U << slot);
        if (slot != kSlotDate) {
            const std::optional<float> value =
                layout.csv ? ReadCsvNumber(cell.text, layout.decimalComma) : ReadNumber(cell.text);
            cell.storedAsZero = cell.storedAsZero || !value;
        }
    }
    return row;
}

}  // namespace

ReadingTable ReadLinesAsTable(const std::string& path, const ImportSettings& settings,
                              std::size_t count) {
    ReadingTable table;
    const LineLayout layout = LayoutOf(settings, DateFormatFromName(settings.dateFormat));
    const long skip = settings.skipOn != 0 ? std::max(0, settings.skipRows) : 0;
    const auto footer = static_cast<std::size_t>(std::max(0, settings.footerRows));
    TextReader reader;
    if (!reader.Open(path)) {
        table.whyNot = WhyNotRead(reader, path);
        return table;
    }
    // Past the rows shown, the lines that count towards the footer are
    // counted until there are more of them than the footer holds.
    std::size_t later = 0;
    bool atEnd = true;
    std::string line;
    long number = 0;
    while (reader.ReadLine(line)) {
        ++number;
        StripLineEnd(line);
        if (table.rows.size() == count) {
            if (number > skip && ReadPriceLine(line, layout).kind != LineKind::kEmpty &&
                ++later > footer) {
                atEnd = false;
                break;
            }
            continue;
        }
        if (number <= skip) {
            TableRow row;
            row.line = number;
            row.kind = TableRowKind::kHeader;
            for (std::string& text : Split(line, layout)) {
                row.cells.push_back({std::move(text)});
            }
            table.rows.push_back(std::move(row));
        } else {
            table.rows.push_back(ReadRow(number, line, layout));
        }
    }
    reader.Close();
    if (reader.Failed()) {
        table.whyNot = WhyNotRead(reader, path);
    }
    // The footer rows among those shown: the last ones that count, less
    // those that came after the rows shown.
    std::size_t left = atEnd && !reader.Failed() ? footer - std::min(footer, later) : 0;
    for (auto row = table.rows.rbegin(); row != table.rows.rend() && left > 0; ++row) {
        if (row->kind != TableRowKind::kEmpty && row->kind != TableRowKind::kHeader) {
            row->kind = TableRowKind::kFooter;
            --left;
        }
    }
    for (const TableRow& row : table.rows) {
        table.columns = std::max(table.columns, static_cast<int>(row.cells.size()));
    }
    return table;
}

}  // namespace torvan
