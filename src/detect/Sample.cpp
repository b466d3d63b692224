// SPDX-License-Identifier: GPL-3.0-or-later
// The sample of lines detection works on, and the delimiter that splits it.

#include <algorithm>
#include <map>

#include "detect/Stages.h"
#include "engine/CsvText.h"

namespace torvan::detect {

Sample MakeSample(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                  long totalLines) {
    Sample sample;
    sample.totalLines = totalLines;
    for (std::size_t i = 0; i < head.size(); ++i) {
        sample.lines.push_back({static_cast<long>(i) + 1, head[i], {}});
    }
    const long tailStart = totalLines - static_cast<long>(tail.size()) + 1;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        sample.lines.push_back({tailStart + static_cast<long>(i), tail[i], {}});
    }
    return sample;
}

void CheckText(Sample& sample, Detection& result) {
    for (const SampleLine& l : sample.lines) {
        if (l.text.find('\0') != std::string::npos) {
            result.whyNot =
                "The file is not text: line " + std::to_string(l.number) + " holds a NUL byte.";
            return;
        }
    }
    if (std::all_of(sample.lines.begin(), sample.lines.end(),
                    [](const SampleLine& l) { return IsBlankLine(l.text); })) {
        result.whyNot = "The file holds no text lines.";
    }
}

std::optional<DelimiterChoice> ChooseDelimiter(const std::vector<std::string>& lines) {
    static constexpr std::array<std::pair<char, int>, 4> kCandidates = {
        {{'\t', 1}, {';', 3}, {',', 0}, {' ', 2}}};
    std::optional<DelimiterChoice> best;
    for (const auto& [character, setting] : kCandidates) {
        std::map<std::size_t, int> counts;
        int lines_ = 0;
        for (const std::string& line : lines) {
            if (IsBlankLine(line)) {
                continue;
            }
            ++lines_;
            ++counts[SplitCsvLine(line, character, 1000).size()];
        }
        if (lines_ == 0) {
            return std::nullopt;
        }
        std::size_t mode = 0;
        int modeCount = 0;
        for (const auto& [fields, count] : counts) {
            if (count > modeCount || (count == modeCount && fields > mode)) {
                mode = fields;
                modeCount = count;
            }
        }
        const double share = static_cast<double>(modeCount) / lines_;
        if (mode >= 2 && share >= 0.6) {
            DelimiterChoice choice{setting, character, static_cast<int>(mode), share};
            // The blank only when nothing else splits the lines.
            if (!best) {
                best = choice;
            }
            // A delimiter tried earlier wins unless it splits much less evenly.
            else if (share > best->share + 0.3) {
                best = choice;
            }
        }
    }
    return best;
}

void FindDelimiter(Sample& sample, Detection& result) {
    std::vector<std::string> texts;
    for (const SampleLine& l : sample.lines) {
        texts.push_back(l.text);
    }
    const auto delimiter = ChooseDelimiter(texts);
    if (!delimiter) {
        result.whyNot =
            "No delimiter (comma, tab, semicolon or blank) splits the lines into columns the "
            "same way: this is not a table of prices.";
        return;
    }
    result.settings.delimiter = delimiter->setting;
    const Confidence c = delimiter->share >= 0.9 ? Confidence::kSure : Confidence::kLikely;
    Choose(result, "delimiter", DelimiterName(result.settings.delimiter), c,
           c == Confidence::kSure
               ? std::string()
               : "only " + std::to_string(static_cast<int>(delimiter->share * 100)) +
                     "% of the lines have " + std::to_string(delimiter->fields) + " fields");
    for (SampleLine& l : sample.lines) {
        l.fields = SplitCsvLine(l.text, delimiter->character, kMaxColumns);
    }
    sample.columnCount = std::min(delimiter->fields, kMaxColumns);
}

}  // namespace torvan::detect
