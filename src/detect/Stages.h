// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Detection's stages and the sample they share, for src/detect and its
// tests; the rest of the program knows Detect.h only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "detect/Detect.h"

namespace torvan::detect {

inline constexpr int kNoColumn = -1;
inline constexpr int kMaxSkip = 200;

struct SampleLine {
    long number = 0;  // 1-based line number in the file
    std::string text;
    std::vector<std::string> fields;  // CSV split with the chosen delimiter
};

// A column's numbers on the price lines, read as the CSV reading reads them.
struct ColumnStats {
    int numeric = 0;
    int integral = 0;
    int negative = 0;
    std::vector<double> values;  // by price line; NaN where no number
};

// A date text's day number in each layout, by format code (1 to 12); 0
// where the layout does not read it.
using DayReadings = std::array<std::uint16_t, 13>;

// The lines detection reads and what the stages found in them so far:
// each stage reads what the ones before it found and adds its part.
struct Sample {
    std::vector<SampleLine> lines;  // the file's head, then its tail
    long totalLines = 0;
    int columnCount = 0;
    // The date column and its readings, by line.
    int dateColumn = kNoColumn;
    int dateColumnHits = 0;  // lines on which it reads as a date in some layout
    std::vector<DayReadings> days;
    // The date layout; 0 while several candidates tie.
    int dateCode = 0;
    std::vector<int> candidates;
    bool dayFirst = false;  // the file's region reads dates day first
    Confidence dateConfidence = Confidence::kSure;
    std::string dateReason;
    // The header row, an index into lines, and its cells as HeaderKey has them.
    int headerLine = -1;
    std::vector<std::string> headerKeys;
    // The price lines in the chosen layout; indices into lines.
    std::vector<bool> isData;
    long firstData = -1;
    long lastData = -1;
    long dataCount = 0;
    bool monthNames = false;
    long skip = 0;                   // lines before the first price line
    std::vector<ColumnStats> stats;  // by column
    // The column of each field, by slot, and how sure that is.
    std::array<int, kFieldSlots> column{};
    std::array<Confidence, kFieldSlots> fieldConfidence{};
    std::array<std::string, kFieldSlots> fieldReason;
    bool fromHeader = false;  // the header named the close
    // The column of the tickers of a file that holds many securities.
    int tickerColumn = kNoColumn;
    int timeColumn = kNoColumn;  // a time of day of its own, not a field
};

// The head, then the tail with its real line numbers.
Sample MakeSample(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                  long totalLines);

// The stages, in the order DetectLayout runs them. A stage that finds the
// file cannot be converted says why in whyNot; the ones after it do not run.
void CheckText(Sample& sample, Detection& result);              // Sample.cpp
void FindDelimiter(Sample& sample, Detection& result);          // Sample.cpp
void FindDateColumn(Sample& sample, Detection& result);         // DateStages.cpp
void FindDateLayout(Sample& sample, Detection& result);         // DateStages.cpp
void FindHeaderRow(Sample& sample, Detection& result);          // HeaderRow.cpp
void SettleDateLayout(Sample& sample, Detection& result);       // DateStages.cpp
void MarkPriceLines(Sample& sample, Detection& result);         // Rows.cpp
void ChooseHeaderAndFooter(Sample& sample, Detection& result);  // Rows.cpp
void ReportDates(Sample& sample, Detection& result);            // DateStages.cpp
void FindTickerColumn(Sample& sample, Detection& result);       // Tickers.cpp
void ChooseOrder(Sample& sample, Detection& result);            // Rows.cpp
void FindTimeColumn(Sample& sample, Detection& result);         // TimeStage.cpp
void ReadColumnValues(Sample& sample, Detection& result);       // Values.cpp
void FieldsFromHeader(Sample& sample, Detection& result);       // Fields.cpp
void FieldsFromValues(Sample& sample, Detection& result);       // Fields.cpp
void ReportFields(Sample& sample, Detection& result);           // Fields.cpp
void CheckHighLow(Sample& sample, Detection& result);           // Fields.cpp
void ChooseReading(Sample& sample, Detection& result);          // Reading.cpp

// Chooses the delimiter: the one that splits the sample into the same
// number of fields (at least two) on most lines. Tab, semicolon and comma
// come before the blank, which also separates words inside a field.
struct DelimiterChoice {
    int setting = 0;
    char character = ',';
    int fields = 0;
    double share = 0;
};
std::optional<DelimiterChoice> ChooseDelimiter(const std::vector<std::string>& lines);

// The day number of a (normalised) date text read strictly in one layout:
// the numbers must have the layout's widths and make a real calendar day,
// and the conversion's own date reading must agree. 0 otherwise.
std::uint16_t StrictDay(const std::string& text, int code);

// The field slot a header cell names, as HeaderKey reduces it, and its
// rank: lower wins when several columns name one field. Slot -1 for none.
std::pair<int, int> SlotOfName(const std::string& key);

// A vote for the decimal separator of a number field, added to comma or
// point; no vote for a text that is no number or does not tell.
void VoteDecimal(const std::string& text, int& comma, int& point);

// Helpers the stages share.
bool IsBlankLine(const std::string& line);
std::string Plural(long n, const char* one, const char* many);
// "column 3", with the header's name of it where there is one.
std::string ColumnLabel(int column, const std::vector<std::string>& names);
void Choose(Detection& result, std::string setting, std::string value, Confidence confidence,
            std::string reason = {});

}  // namespace torvan::detect
