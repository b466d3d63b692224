// SPDX-License-Identifier: GPL-3.0-or-later
// Which lines hold prices: the rows to skip at the start and the end, and
// the order of the days.

#include <algorithm>
#include <map>
#include <string>

#include "detect/Stages.h"

namespace torvan::detect {

void MarkPriceLines(Sample& sample, Detection&) {
    const auto code = static_cast<std::size_t>(sample.dateCode);
    sample.isData.assign(sample.lines.size(), false);
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        sample.isData[i] = sample.days[i][code] != 0;
        if (!sample.isData[i]) {
            continue;
        }
        if (sample.firstData < 0) {
            sample.firstData = static_cast<long>(i);
        }
        sample.lastData = static_cast<long>(i);
        ++sample.dataCount;
        if (!sample.monthNames) {
            const auto& t = sample.lines[i].fields[static_cast<std::size_t>(sample.dateColumn)];
            sample.monthNames = std::any_of(t.begin(), t.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            });
        }
    }
}

// Header rows: every line before the first price line. Footer: the lines
// with text after the last one, when the sample reaches the file's end.
void ChooseHeaderAndFooter(Sample& sample, Detection& result) {
    ImportSettings& s = result.settings;
    const long skip = sample.lines[static_cast<std::size_t>(sample.firstData)].number - 1;
    sample.skip = skip;
    s.skipOn = skip > 0 ? 1 : 0;
    s.skipRows = static_cast<int>(std::min<long>(skip, kMaxSkip));
    if (skip > kMaxSkip) {
        result.warnings.push_back("The first price line is line " + std::to_string(skip + 1) +
                                  "; only " + std::to_string(kMaxSkip) +
                                  " rows can be skipped, the lines in between will be skipped as "
                                  "lines without a date.");
    }
    const long headerNumber = sample.headerLine >= 0
                                  ? sample.lines[static_cast<std::size_t>(sample.headerLine)].number
                                  : 0;
    if (sample.headerLine >= 0 && headerNumber < skip) {
        Choose(result, "header rows", std::to_string(skip), Confidence::kLikely,
               "the header is line " + std::to_string(headerNumber) +
                   "; the lines after it up to the first price line hold no date and go with it");
    } else {
        Choose(result, "header rows", std::to_string(skip), Confidence::kSure);
    }
    int footer = 0;
    for (auto i = static_cast<std::size_t>(sample.lastData) + 1; i < sample.lines.size(); ++i) {
        const SampleLine& l = sample.lines[i];
        if (!IsBlankLine(l.text) && std::any_of(l.fields.begin(), l.fields.end(),
                                                [](const std::string& f) { return !f.empty(); })) {
            ++footer;
        }
    }
    // Lines after the last dated one are a footer only at the file's end.
    const bool sampleReachesEnd = sample.lines.back().number == sample.totalLines;
    if (!sampleReachesEnd) {
        footer = 0;
    }
    s.footerRows = footer;
    if (footer > 0) {
        Choose(result, "footer rows", std::to_string(footer), Confidence::kLikely,
               "the last " + Plural(footer, "line holds", "lines hold") + " no date");
    }
}

// Newest first when the first price line's date is later than the last's;
// in a file of many tickers, each ticker's lines are judged apart, and
// newest first wins when more tickers run that way.
void ChooseOrder(Sample& sample, Detection& result) {
    ImportSettings& s = result.settings;
    const auto code = static_cast<std::size_t>(sample.dateCode);
    struct Run {
        std::uint16_t first = 0;
        std::uint16_t previous = 0;
    };
    std::map<std::string, Run> runs;
    long falls = 0;
    long rises = 0;
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        const std::uint16_t day = sample.days[i][code];
        if (!sample.isData[i]) {
            continue;
        }
        const auto ticker = static_cast<std::size_t>(sample.tickerColumn);
        const auto& fields = sample.lines[i].fields;
        Run& run = runs[ticker < fields.size() ? fields[ticker] : std::string()];
        if (run.previous != 0) {
            falls += day < run.previous ? 1 : 0;
            rises += day > run.previous ? 1 : 0;
        } else {
            run.first = day;
        }
        run.previous = day;
    }
    long newestFirst = 0;
    long oldestFirst = 0;
    for (const auto& [ticker, run] : runs) {
        newestFirst += run.first > run.previous ? 1 : 0;
        oldestFirst += run.first < run.previous ? 1 : 0;
    }
    s.reverse = newestFirst > oldestFirst ? 1 : 0;
    const bool sameDates = newestFirst + oldestFirst == 0;
    const long against = s.reverse != 0 ? rises : falls;
    Choose(result, "order", s.reverse != 0 ? "newest first (reverse)" : "oldest first",
           sameDates      ? Confidence::kGuess
           : against == 0 ? Confidence::kSure
                          : Confidence::kLikely,
           sameDates ? "the first and last price lines have the same date"
           : against == 0
               ? std::string()
               : Plural(against, "pair of lines runs", "pairs of lines run") + " the other way");
    if (against > 0) {
        result.warnings.push_back("The dates are not in order: " +
                                  Plural(against, "pair of lines runs", "pairs of lines run") +
                                  " against the rest; the records keep the file's order.");
    }
}

}  // namespace torvan::detect
