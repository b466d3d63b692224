// SPDX-License-Identifier: GPL-3.0-or-later
#include "detect/Detect.h"

#include <algorithm>
#include <deque>

#include "database/Dates.h"
#include "detect/Stages.h"
#include "engine/TextReader.h"
#include "platform/MessageCatalogue.h"
#include "platform/Text.h"

namespace torvan {
namespace detect {

bool IsBlankLine(const std::string& line) {
    return Trim(line).empty();
}

std::string Plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string ColumnLabel(int column, const std::vector<std::string>& names) {
    std::string label = "column " + std::to_string(column + 1);
    if (static_cast<std::size_t>(column) < names.size()) {
        label += " (" + names[static_cast<std::size_t>(column)] + ")";
    }
    return label;
}

void Choose(Detection& result, std::string setting, std::string value, Confidence confidence,
            std::string reason) {
    result.choices.push_back({std::move(setting), std::move(value), confidence, std::move(reason)});
}

}  // namespace detect

namespace {

constexpr std::size_t kHeadLines = 400;
constexpr std::size_t kTailLines = 40;
// The head sample ends early when its lines hold this much text.
constexpr std::size_t kHeadBytes = std::size_t{1} << 20;

std::string ReadingFailed(const TextReader& reader, const std::string& path) {
    switch (reader.Problem()) {
        case ReadProblem::kNotAFile:
            return MessageText(MessageId::kInputNotAFile, {path});
        case ReadProblem::kLineTooLong:
            return MessageText(MessageId::kLineTooLong, {std::to_string(reader.LineNumber()), path,
                                                         std::to_string(kMaxLineBytes)});
        case ReadProblem::kCannotOpen:
            return "Cannot open the file " + path;
        default:
            return "Cannot read the file " + path;
    }
}

}  // namespace

const char* DelimiterName(int delimiter) {
    switch (delimiter) {
        case 1:
            return "tab";
        case 2:
            return "space";
        case 3:
            return "semicolon";
        default:
            return "comma";
    }
}

void TakeReadingSettings(const ImportSettings& from, ImportSettings& to) {
    to.dateFormat = from.dateFormat;
    to.delimiter = from.delimiter;
    to.reverse = from.reverse;
    to.skipOn = from.skipOn;
    to.skipRows = from.skipRows;
    to.fieldOn = from.fieldOn;
    to.fieldCol = from.fieldCol;
    to.monthNames = from.monthNames;
    to.csv = from.csv;
    to.decimalComma = from.decimalComma;
    to.footerRows = from.footerRows;
    to.tickerCol = from.tickerCol;
}

LineLayout LayoutOf(const ImportSettings& settings, int dateCode) {
    LineLayout layout;
    layout.delimiter = DelimiterChar(settings.delimiter);
    layout.csv = settings.csv != 0;
    layout.decimalComma = settings.decimalComma != 0;
    layout.monthNames = settings.monthNames != 0;
    layout.dateFormat = dateCode;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        layout.fieldOn[s] = (s == kSlotDate || s == kSlotClose) ? 1 : settings.fieldOn[s];
        layout.fieldCol[s] = settings.fieldCol[s] - 1;
    }
    layout.tickerColumn = settings.tickerCol - 1;
    return layout;
}

Detection DetectLayout(const std::string& path) {
    Detection result;
    TextReader reader;
    std::vector<std::string> head;
    std::deque<std::string> tail;
    std::size_t headBytes = 0;
    bool headFull = false;
    long total = 0;
    std::string line;
    const bool opened = reader.Open(path);
    while (opened && reader.ReadLine(line)) {
        ++total;
        StripLineEnd(line);
        // The head is the first lines, one after the other.
        headFull = headFull || head.size() == kHeadLines || headBytes + line.size() > kHeadBytes;
        if (!headFull) {
            headBytes += line.size();
            head.push_back(line);
            continue;
        }
        tail.push_back(line);
        if (tail.size() > kTailLines) {
            tail.pop_front();
        }
    }
    reader.Close();
    if (reader.Failed()) {
        result.whyNot = ReadingFailed(reader, path);
        return result;
    }
    result = DetectLayout(head, std::vector<std::string>(tail.begin(), tail.end()), total);
    return result;
}

Detection DetectLayout(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                       long totalLines) {
    using namespace detect;
    static constexpr void (*kStages[])(Sample&, Detection&) = {
        CheckText,        FindDelimiter,  FindDateColumn,        FindDateLayout,   FindHeaderRow,
        SettleDateLayout, MarkPriceLines, ChooseHeaderAndFooter, ReportDates,      FindTickerColumn,
        ChooseOrder,      FindTimeColumn, ReadColumnValues,      FieldsFromHeader, FieldsFromValues,
        ReportFields,     CheckHighLow,   ChooseReading};
    Detection result;
    result.linesInFile = totalLines;
    Sample sample = MakeSample(head, tail, totalLines);
    for (const auto stage : kStages) {
        stage(sample, result);
        if (!result.whyNot.empty()) {
            return result;
        }
    }
    result.convertible = true;
    return result;
}

std::vector<PreviewRow> PreviewLines(const std::string& path, const ImportSettings& settings,
                                     std::size_t count) {
    std::vector<PreviewRow> rows;
    const int code = DateFormatFromName(settings.dateFormat);
    const LineLayout layout = LayoutOf(settings, code);
    TextReader reader;
    if (!reader.Open(path)) {
        return rows;
    }
    const long skip = settings.skipOn != 0 ? settings.skipRows : 0;
    const std::size_t footer = static_cast<std::size_t>(std::max(0, settings.footerRows));
    // Rows in file order: the first count + footer of them, or for a
    // newest-first file the last ones; the footer is known only at the end.
    std::deque<PreviewRow> window;
    std::size_t seen = 0;
    std::string line;
    long number = 0;
    while (reader.ReadLine(line)) {
        ++number;
        if (number <= skip) {
            continue;
        }
        StripLineEnd(line);
        const PriceLine read = ReadPriceLine(line, layout);
        if (read.kind == LineKind::kEmpty) {
            continue;
        }
        ++seen;
        PreviewRow row;
        row.line = number;
        row.kind = read.kind;
        row.date = MbfToFloat(DayNumberToStoredDate(read.day));
        row.values = read.values;
        row.missingColumns = read.missingColumns;
        if (settings.reverse != 0) {
            window.push_back(row);
            if (window.size() > count + footer) {
                window.pop_front();
            }
        } else if (window.size() < count + footer) {
            window.push_back(row);
        }
    }
    reader.Close();
    // Drop the footer lines that made it into the window.
    const std::size_t firstFooter = seen - std::min(footer, seen);
    const std::size_t windowStart = settings.reverse != 0 ? seen - window.size() : 0;
    while (!window.empty() && windowStart + window.size() > firstFooter) {
        window.pop_back();
    }
    rows.assign(window.begin(), window.end());
    if (settings.reverse != 0) {
        std::reverse(rows.begin(), rows.end());
    }
    if (rows.size() > count) {
        rows.resize(count);
    }
    return rows;
}

}  // namespace torvan
