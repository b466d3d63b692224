// SPDX-License-Identifier: GPL-3.0-or-later
// The reading: the plain splitting where it reads every sampled line as
// the CSV reading does, CSV reading otherwise; and what the price lines
// tell about the conversion.

#include <algorithm>

#include "detect/Stages.h"
#include "platform/Text.h"

namespace torvan::detect {
namespace {

// What the CSV reading makes of the sampled price lines.
struct LineCounts {
    long undated = 0;
    long firstUndated = 0;
    long missing = 0;
    long firstMissing = 0;
    long emptyValues = 0;
};

void CountLine(const Sample& sample, const ImportSettings& s, const SampleLine& line,
               const PriceLine& read, LineCounts& counts) {
    if (read.kind == LineKind::kNoDate || read.kind == LineKind::kNoPrice) {
        if (counts.undated++ == 0) {
            counts.firstUndated = line.number;
        }
    }
    if (read.kind != LineKind::kRecord) {
        return;
    }
    if (read.missingColumns && counts.missing++ == 0) {
        counts.firstMissing = line.number;
    }
    for (std::size_t slot = 1; slot < kFieldSlots; ++slot) {
        const auto column = static_cast<std::size_t>(sample.column[slot]);
        if (s.fieldOn[slot] != 0 && column < line.fields.size() && line.fields[column].empty()) {
            ++counts.emptyValues;
            break;
        }
    }
}

// Whether the plain splitting still reads as the CSV reading does.
struct PlainCheck {
    bool works = true;
    bool first = true;  // no line with columns checked yet
    std::string csvReason;
};

void CheckPlain(const SampleLine& line, const PriceLine& csvRead, const LineLayout& plain,
                PlainCheck& check) {
    const PriceLine b = ReadPriceLine(line.text, plain);
    if (csvRead.kind != b.kind || csvRead.day != b.day || csvRead.values != b.values) {
        check.works = false;
        check.csvReason = "line " + std::to_string(line.number) +
                          " needs it (quotes, empty fields, separators in numbers or a time after "
                          "the date)";
    }
    if (check.first && b.kind != LineKind::kEmpty) {
        check.first = false;
        // The plain reading checks the first date's characters.
        const bool digitsOnly =
            std::all_of(b.dateText.begin(), b.dateText.end(), IsDigit) && !b.dateText.empty();
        const int dateCode = plain.dateFormat;
        if ((dateCode > 6 && !digitsOnly && b.monthNameResult == 0) ||
            (dateCode < 7 && digitsOnly)) {
            check.works = false;
            check.csvReason = "the first date needs it";
        }
    }
}

void WarnAboutLines(const Sample& sample, const LineCounts& counts, Detection& result) {
    const bool tickers = result.settings.tickerCol != 0;
    if (result.settings.reverse != 0) {
        result.warnings.push_back(
            tickers ? "Each ticker's lines run newest day first: a file with a ticker column "
                      "cannot be reversed; sort it oldest day first to convert it."
                    : "The file lists the newest day first: converting rewrites it oldest first "
                      "and keeps the original as a .BAK file beside it.");
    }
    if (counts.undated > 0) {
        result.warnings.push_back(Plural(counts.undated, "sampled line", "sampled lines") +
                                  " between the first and the last price line will be skipped: "
                                  "no date in this layout, or no price (first: line " +
                                  std::to_string(counts.firstUndated) + ").");
    }
    if (counts.missing > 0) {
        result.warnings.push_back(
            Plural(counts.missing, "sampled line lacks", "sampled lines lack") +
            " columns; the missing fields are stored as 0 (first: line " +
            std::to_string(counts.firstMissing) + ").");
    }
    if (counts.emptyValues > 0) {
        result.warnings.push_back(
            Plural(counts.emptyValues, "sampled line has", "sampled lines have") +
            " empty price fields; they are stored as 0.");
    }
    // With a ticker column the limit holds for each ticker's lines.
    if (!tickers && sample.totalLines - sample.skip > kMaxPriceRecords) {
        result.warnings.push_back("The file has more lines than a data file can hold (" +
                                  std::to_string(kMaxPriceRecords) +
                                  "); the conversion will stop there.");
    }
}

}  // namespace

void ChooseReading(Sample& sample, Detection& result) {
    ImportSettings& s = result.settings;
    ImportSettings plain = s;
    plain.csv = 0;
    plain.decimalComma = 0;
    ImportSettings csv = s;
    csv.csv = 1;
    const LineLayout plainLayout = LayoutOf(plain, sample.dateCode);
    const LineLayout csvLayout = LayoutOf(csv, sample.dateCode);
    PlainCheck check;
    check.works = s.decimalComma == 0;
    LineCounts counts;
    for (auto i = static_cast<std::size_t>(sample.firstData);
         i < sample.lines.size() && static_cast<long>(i) <= sample.lastData; ++i) {
        const SampleLine& line = sample.lines[i];
        const PriceLine read = ReadPriceLine(line.text, csvLayout);
        CountLine(sample, s, line, read, counts);
        if (check.works) {
            CheckPlain(line, read, plainLayout, check);
        }
    }
    if (s.decimalComma != 0) {
        check.csvReason = "the numbers have a decimal comma";
    }
    s.csv = check.works ? 0 : 1;
    if (s.csv == 0) {
        s.decimalComma = 0;
    }
    Choose(result, "reading", s.csv != 0 ? "CSV" : "plain", Confidence::kSure, check.csvReason);
    WarnAboutLines(sample, counts, result);
}

}  // namespace torvan::detect
