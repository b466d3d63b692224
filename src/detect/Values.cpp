// SPDX-License-Identifier: GPL-3.0-or-later
// The values of the columns on the price lines, and their decimal separator.

#include <algorithm>
#include <cmath>
#include <limits>

#include "detect/Stages.h"
#include "engine/CsvText.h"
#include "platform/Text.h"

namespace torvan::detect {

// A vote for the decimal separator of a number field: the later of ',' and
// '.' when both occur; a lone separator followed by other than three digits
// (three may group thousands); a repeated one groups thousands, so the
// other is the decimal separator.
void VoteDecimal(const std::string& text, int& comma, int& point) {
    if (text.empty() || text.find_first_not_of("0123456789.,-+ '\"%KMBkmb") != std::string::npos) {
        return;
    }
    const auto commas = std::count(text.begin(), text.end(), ',');
    const auto points = std::count(text.begin(), text.end(), '.');
    if (commas > 0 && points > 0) {
        (text.rfind(',') > text.rfind('.') ? comma : point) += 1;
        return;
    }
    auto digitsAfter = [&](std::size_t at) {
        std::size_t n = 0;
        while (at + 1 + n < text.size() && IsDigit(text[at + 1 + n])) {
            ++n;
        }
        return n;
    };
    if (commas == 1) {
        comma += digitsAfter(text.find(',')) != 3 ? 1 : 0;
    } else if (commas > 1) {
        point += 1;
    } else if (points == 1) {
        point += digitsAfter(text.find('.')) != 3 ? 1 : 0;
    } else if (points > 1) {
        comma += 1;
    }
}

// The decimal separator most number fields vote for, then every column's
// numbers on the price lines.
void ReadColumnValues(Sample& sample, Detection& result) {
    ImportSettings& s = result.settings;
    int commaDecimals = 0;
    int pointDecimals = 0;
    for (std::size_t i = 0; i < sample.lines.size(); ++i) {
        if (!sample.isData[i]) {
            continue;
        }
        const auto& fields = sample.lines[i].fields;
        for (int c = 0; c < sample.columnCount; ++c) {
            if (static_cast<std::size_t>(c) < fields.size() && c != sample.dateColumn) {
                VoteDecimal(fields[static_cast<std::size_t>(c)], commaDecimals, pointDecimals);
            }
        }
    }
    s.decimalComma = commaDecimals > pointDecimals ? 1 : 0;
    if (s.decimalComma != 0) {
        Choose(result, "decimal separator", "comma",
               pointDecimals == 0 ? Confidence::kSure : Confidence::kLikely);
    }
    // Now the numbers, read as the CSV reading will read them.
    sample.stats.assign(static_cast<std::size_t>(sample.columnCount), ColumnStats{});
    for (int c = 0; c < sample.columnCount; ++c) {
        ColumnStats& st = sample.stats[static_cast<std::size_t>(c)];
        st.values.assign(static_cast<std::size_t>(sample.dataCount),
                         std::numeric_limits<double>::quiet_NaN());
        std::size_t k = 0;
        for (std::size_t i = 0; i < sample.lines.size(); ++i) {
            if (!sample.isData[i]) {
                continue;
            }
            const auto& fields = sample.lines[i].fields;
            if (static_cast<std::size_t>(c) < fields.size()) {
                const auto value =
                    ReadCsvNumber(fields[static_cast<std::size_t>(c)], s.decimalComma != 0);
                if (value) {
                    st.values[k] = *value;
                    ++st.numeric;
                    st.integral += std::floor(*value) == *value ? 1 : 0;
                    st.negative += *value < 0 ? 1 : 0;
                }
            }
            ++k;
        }
    }
}

}  // namespace torvan::detect
