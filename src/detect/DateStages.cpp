// SPDX-License-Identifier: GPL-3.0-or-later
// The date column, its layout, and the choices about dates.

#include <algorithm>
#include <cstdlib>
#include <map>

#include "database/Dates.h"
#include "detect/Stages.h"
#include "engine/CsvText.h"
#include "platform/Text.h"

namespace torvan::detect {
namespace {

// The three numbers of a date text in the order written, as wide as layout
// writes them: one or two digits between separators, or exactly two in a
// run of digits; a year with its century has four. False for a text not
// written so.
bool SplitDate(std::string_view text, const DateLayout& layout,
               std::array<std::string_view, 3>& numbers) {
    auto width = [&](int place) { return place == layout.yearPlace && layout.century ? 4U : 2U; };
    if (!layout.separated) {
        if (!std::all_of(text.begin(), text.end(), IsDigit) ||
            text.size() != (layout.century ? 8U : 6U)) {
            return false;
        }
        std::size_t at = 0;
        for (int place = 0; place < 3; ++place) {
            numbers[static_cast<std::size_t>(place)] = text.substr(at, width(place));
            at += width(place);
        }
        return true;
    }
    if (!IsDigit(text.front()) || !IsDigit(text.back())) {
        return false;
    }
    // Any run of other characters separates two numbers.
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (!IsDigit(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
        }
        if (count == 3) {
            return false;
        }
        numbers[count++] = text.substr(at, end - at);
        at = end;
    }
    if (count != 3) {
        return false;
    }
    for (int place = 0; place < 3; ++place) {
        const std::size_t size = numbers[static_cast<std::size_t>(place)].size();
        if (width(place) == 4 ? size != 4 : (size < 1 || size > 2)) {
            return false;
        }
    }
    return true;
}

// Layouts tried when several fit equally well: the unambiguous year-first
// ones, then month-first (the usual reading of a slash date) or day-first.
std::vector<int> PreferenceOrder(bool dayFirst) {
    if (dayFirst) {
        return {kCCYY_MM_DD, kCCYYMMDD, kDD_MM_CCYY, kMM_DD_CCYY, kDDMMCCYY, kMMDDCCYY,
                kDD_MM_YY,   kMM_DD_YY, kYY_MM_DD,   kDDMMYY,     kMMDDYY,   kYYMMDD};
    }
    return {kCCYY_MM_DD, kCCYYMMDD, kMM_DD_CCYY, kDD_MM_CCYY, kMMDDCCYY, kDDMMCCYY,
            kMM_DD_YY,   kDD_MM_YY, kYY_MM_DD,   kMMDDYY,     kDDMMYY,   kYYMMDD};
}

// The column's reading in every layout, by line; hits counts the lines
// that read as a date in some layout.
std::vector<DayReadings> ReadColumnDates(const Sample& sample, int column, int& hits) {
    std::vector<DayReadings> days(sample.lines.size());
    hits = 0;
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        const auto& fields = sample.lines[i].fields;
        if (static_cast<std::size_t>(column) >= fields.size()) {
            continue;
        }
        const std::string text = NormalizeCsvDate(fields[static_cast<std::size_t>(column)], true);
        bool any = false;
        for (int code = 1; code <= 12; ++code) {
            const std::uint16_t day = StrictDay(text, code);
            days[i][static_cast<std::size_t>(code)] = day;
            any = any || day != 0;
        }
        hits += any ? 1 : 0;
    }
    return days;
}

// A dotted date means day first: looked for on the first line that reads
// in a day-first layout with separators.
bool DottedDayFirst(const Sample& sample) {
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        if (sample.days[i][kDD_MM_CCYY] != 0 || sample.days[i][kDD_MM_YY] != 0) {
            const std::string& t =
                sample.lines[i].fields[static_cast<std::size_t>(sample.dateColumn)];
            return t.find('.') != std::string::npos;
        }
    }
    return false;
}

// How many consecutive dated lines are at most 31 days apart in a layout,
// as a price series' days are.
int CloseSteps(const Sample& sample, int code) {
    std::uint16_t previous = 0;
    int close = 0;
    for (const DayReadings& readings : sample.days) {
        const std::uint16_t day = readings[static_cast<std::size_t>(code)];
        if (day == 0) {
            continue;
        }
        if (previous != 0 && std::abs(static_cast<int>(day) - previous) <= 31) {
            ++close;
        }
        previous = day;
    }
    return close;
}

}  // namespace

std::uint16_t StrictDay(const std::string& text, int code) {
    const DateLayout layout = DateLayoutOf(code);
    std::array<std::string_view, 3> numbers;
    if (text.empty() || text.size() > 10 || !SplitDate(text, layout, numbers)) {
        return 0;
    }
    auto number = [&](int place) {
        int value = 0;
        for (char c : numbers[static_cast<std::size_t>(place)]) {
            value = value * 10 + (c - '0');
        }
        return value;
    };
    int y = number(layout.yearPlace);
    const int m = number(layout.monthPlace);
    const int d = number(layout.dayPlace);
    if (!layout.century) {
        y += y < 61 ? 2000 : 1900;
    }
    // The day numbers' calendar makes every fourth year a leap year, 2100
    // too; the calendar that dates in a file come from does not.
    if (m == 2 && d == 29 && y % 100 == 0 && y % 400 != 0) {
        return 0;
    }
    // Reading the date back rejects a day or month past its end.
    const std::uint16_t day = ParseDateText(text, code);
    const CalendarDate back = DayNumberToDate(day);
    if (day == 0 || back.year + 1900 != y || back.month != m || back.day != d) {
        return 0;
    }
    return day;
}

// The column that reads as a date in one layout on most lines; the first
// of several that read so equally often.
void FindDateColumn(Sample& sample, Detection& result) {
    int bestCount = 0;
    for (int c = 0; c < sample.columnCount; ++c) {
        int hits = 0;
        std::vector<DayReadings> days = ReadColumnDates(sample, c, hits);
        if (hits > bestCount) {
            bestCount = hits;
            sample.dateColumn = c;
            sample.days = std::move(days);
        }
    }
    sample.dateColumnHits = bestCount;
    const auto nonBlank = std::count_if(sample.lines.begin(), sample.lines.end(),
                                        [](const SampleLine& l) { return !IsBlankLine(l.text); });
    if (sample.dateColumn == kNoColumn || bestCount * 3 < nonBlank) {
        std::string first;
        for (const SampleLine& l : sample.lines) {
            if (!IsBlankLine(l.text)) {
                first = l.text.substr(0, 80);
                break;
            }
        }
        result.whyNot =
            "No column holds dates in one of the twelve date layouts on most lines (line 1: \"" +
            first + "\"). Dates before 1961 cannot be stored either.";
    }
}

// The layouts that read every dated line; when several do, the one whose
// dates follow each other most closely. A tie is left for the header's
// language to settle.
void FindDateLayout(Sample& sample, Detection& result) {
    std::array<int, 13> fits{};
    for (const DayReadings& readings : sample.days) {
        for (std::size_t code = 1; code <= 12; ++code) {
            fits[code] += readings[code] != 0 ? 1 : 0;
        }
    }
    const int maxFit = *std::max_element(fits.begin(), fits.end());
    std::vector<int> candidates;
    for (int code = 1; code <= 12; ++code) {
        if (fits[static_cast<std::size_t>(code)] == maxFit) {
            candidates.push_back(code);
        }
    }
    // Region hints for a tie: a semicolon, a dotted date or (later) a header
    // in a continental language mean day first.
    sample.dayFirst = result.settings.delimiter == 3 || DottedDayFirst(sample);
    sample.dateCode = candidates.front();
    sample.candidates = candidates;
    if (candidates.size() == 1) {
        return;
    }
    std::map<int, int> score;
    int bestScore = -1;
    for (int candidate : candidates) {
        score[candidate] = CloseSteps(sample, candidate);
        bestScore = std::max(bestScore, score[candidate]);
    }
    std::vector<int> best;
    for (int candidate : candidates) {
        if (score[candidate] == bestScore) {
            best.push_back(candidate);
        }
    }
    if (best.size() > 1) {
        sample.dateCode = 0;
        sample.candidates = best;
        return;
    }
    const int code = best.front();
    sample.dateCode = code;
    sample.dateConfidence = Confidence::kLikely;
    sample.dateReason =
        "the dates also read as " +
        std::string(DateFormatName(candidates[0] == code ? candidates[1] : candidates[0])) +
        " (day and month are both 12 or less in every sampled row); in " +
        std::string(DateFormatName(code)) + " consecutive rows are days apart";
}

// A tie the dates cannot settle: the preferred layout of the file's region,
// said to be a guess.
void SettleDateLayout(Sample& sample, Detection& result) {
    if (sample.dateCode == 0) {
        for (int preferred : PreferenceOrder(sample.dayFirst)) {
            if (std::find(sample.candidates.begin(), sample.candidates.end(), preferred) !=
                sample.candidates.end()) {
                sample.dateCode = preferred;
                break;
            }
        }
        sample.dateConfidence = Confidence::kGuess;
        std::string others;
        for (int candidate : sample.candidates) {
            if (candidate != sample.dateCode) {
                others += std::string(others.empty() ? "" : ", ") +
                          std::string(DateFormatName(candidate));
            }
        }
        const char* why = sample.dayFirst ? "the file's language or separators say day first"
                                          : "taken as month first, the usual reading of such dates";
        sample.dateReason = "the sampled dates read as " + others + " too; " + why;
        result.warnings.push_back("The date layout is a guess: " + sample.dateReason + ".");
    }
    result.settings.dateFormat = std::string(DateFormatName(sample.dateCode));
}

void ReportDates(Sample& sample, Detection& result) {
    Choose(result, "date column", ColumnLabel(sample.dateColumn, result.columnNames),
           sample.dateColumnHits == sample.dataCount ? Confidence::kSure : Confidence::kLikely);
    Choose(result, "date format", result.settings.dateFormat, sample.dateConfidence,
           sample.dateReason);
    result.settings.monthNames = sample.monthNames ? 1 : 0;
    if (sample.monthNames) {
        Choose(result, "month names", "yes", Confidence::kSure);
    }
}

}  // namespace torvan::detect
