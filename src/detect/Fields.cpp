// SPDX-License-Identifier: GPL-3.0-or-later
// Which column holds which field: from the header's names, or else from
// the values.

#include <algorithm>
#include <cmath>

#include "detect/Stages.h"

namespace torvan::detect {
namespace {

const std::vector<double>& ValuesOf(const Sample& sample, int column) {
    return sample.stats[static_cast<std::size_t>(column)].values;
}

bool MostlyNumeric(const Sample& sample, int column) {
    const ColumnStats& st = sample.stats[static_cast<std::size_t>(column)];
    return column != sample.dateColumn && column != sample.tickerColumn &&
           column != sample.timeColumn && st.numeric * 2 > static_cast<int>(sample.dataCount);
}

// Prices of one series: both columns positive and within a factor of two
// of each other on nine lines in ten.
bool Similar(const Sample& sample, int a, int b) {
    const auto& va = ValuesOf(sample, a);
    const auto& vb = ValuesOf(sample, b);
    int both = 0;
    int near = 0;
    for (std::size_t k = 0; k < va.size(); ++k) {
        if (std::isnan(va[k]) || std::isnan(vb[k]) || va[k] <= 0 || vb[k] <= 0) {
            continue;
        }
        ++both;
        const double ratio = va[k] > vb[k] ? va[k] / vb[k] : vb[k] / va[k];
        near += ratio <= 2.0 ? 1 : 0;
    }
    return both > 0 && near * 10 >= both * 9;
}

// The largest group of numeric columns similar to its first, in column order.
std::vector<int> PriceColumns(const Sample& sample, const std::vector<int>& numeric) {
    std::vector<int> prices;
    for (int c : numeric) {
        std::vector<int> group{c};
        for (int d : numeric) {
            if (d != c && Similar(sample, c, d)) {
                group.push_back(d);
            }
        }
        if (group.size() > prices.size()) {
            std::sort(group.begin(), group.end());
            prices = group;
        }
    }
    return prices;
}

// The first price column never below (high) or never above (low) the others.
int ExtremeColumn(const Sample& sample, const std::vector<int>& prices, bool high) {
    for (int c : prices) {
        const auto& vc = ValuesOf(sample, c);
        bool always = true;
        for (int d : prices) {
            const auto& vd = ValuesOf(sample, d);
            for (std::size_t k = 0; k < vc.size() && always; ++k) {
                if (!std::isnan(vc[k]) && !std::isnan(vd[k]) &&
                    (high ? vc[k] < vd[k] : vc[k] > vd[k])) {
                    always = false;
                }
            }
        }
        if (always) {
            return c;
        }
    }
    return kNoColumn;
}

void SetField(Sample& sample, int slot, int column, Confidence confidence, std::string reason) {
    const auto s = static_cast<std::size_t>(slot);
    sample.column[s] = column;
    sample.fieldConfidence[s] = confidence;
    sample.fieldReason[s] = std::move(reason);
}

// Open, high, low and close among the price columns: high and low by their
// values where they tell, the rest by the usual order.
void AssignPrices(Sample& sample, const std::vector<int>& prices) {
    std::vector<int> rest = prices;
    if (prices.size() >= 3) {
        const int high = ExtremeColumn(sample, prices, true);
        const int low = ExtremeColumn(sample, prices, false);
        if (high != kNoColumn && low != kNoColumn && high != low) {
            sample.column[kSlotHigh] = high;
            sample.column[kSlotLow] = low;
            rest.erase(std::remove(rest.begin(), rest.end(), high), rest.end());
            rest.erase(std::remove(rest.begin(), rest.end(), low), rest.end());
        }
    }
    if (sample.column[kSlotHigh] == kNoColumn && prices.size() >= 4) {
        // The usual order, open, high, low, close.
        for (int slot : {kSlotOpen, kSlotHigh, kSlotLow, kSlotClose}) {
            SetField(sample, slot, prices[static_cast<std::size_t>(slot - kSlotOpen)],
                     Confidence::kGuess,
                     "no header names the columns and the values do not tell; taken in the usual "
                     "order open, high, low, close");
        }
    } else if (rest.size() >= 2) {
        for (int slot : {kSlotOpen, kSlotClose}) {
            SetField(sample, slot, rest[slot == kSlotOpen ? 0 : 1], Confidence::kGuess,
                     std::string("no header names the columns; of the two prices between high "
                                 "and low the ") +
                         (slot == kSlotOpen ? "first" : "second") + " is taken as the " +
                         (slot == kSlotOpen ? "open" : "close"));
        }
        for (int slot : {kSlotHigh, kSlotLow}) {
            SetField(sample, slot, sample.column[static_cast<std::size_t>(slot)],
                     Confidence::kLikely,
                     std::string("no header; the column is never ") +
                         (slot == kSlotHigh ? "below" : "above") + " the other prices");
        }
    } else if (!rest.empty()) {
        SetField(sample, kSlotClose, rest[0], Confidence::kGuess,
                 "no header; the only price column left is taken as the close");
    }
}

}  // namespace

// From the header's names: the best-ranked name of each field, among the
// columns that hold numbers.
void FieldsFromHeader(Sample& sample, Detection& result) {
    sample.column.fill(kNoColumn);
    sample.column[kSlotDate] = sample.dateColumn;
    sample.fieldConfidence.fill(Confidence::kSure);
    std::array<int, kFieldSlots> rank;
    rank.fill(1000);
    for (std::size_t c = 0;
         c < sample.headerKeys.size() && static_cast<int>(c) < sample.columnCount; ++c) {
        const auto [slot, r] = SlotOfName(sample.headerKeys[c]);
        if (slot <= kSlotDate || slot >= kFieldSlots) {
            continue;
        }
        if (!MostlyNumeric(sample, static_cast<int>(c))) {
            continue;  // a named column without numbers, such as CHRIS's empty "Last"
        }
        if (r < rank[static_cast<std::size_t>(slot)]) {
            rank[static_cast<std::size_t>(slot)] = r;
            sample.column[static_cast<std::size_t>(slot)] = static_cast<int>(c);
        }
    }
    if (sample.column[kSlotClose] != kNoColumn && rank[kSlotClose] > 0) {
        sample.fieldConfidence[kSlotClose] = Confidence::kLikely;
        sample.fieldReason[kSlotClose] =
            "no column is named Close; \"" +
            result.columnNames[static_cast<std::size_t>(sample.column[kSlotClose])] +
            "\" is taken as the close";
    }
    sample.fromHeader = sample.column[kSlotClose] != kNoColumn;
}

// Without a header's close, from the values: the price columns are the
// numeric ones whose values stay within a factor of two of each other on
// each line; the high is never below, the low never above the others.
void FieldsFromValues(Sample& sample, Detection& result) {
    if (sample.fromHeader) {
        return;
    }
    std::vector<int> numeric;
    for (int c = 0; c < sample.columnCount; ++c) {
        if (MostlyNumeric(sample, c)) {
            numeric.push_back(c);
        }
    }
    const std::vector<int> prices = PriceColumns(sample, numeric);
    if (prices.empty()) {
        result.whyNot = "No column next to the dates holds prices (numbers on most lines).";
        return;
    }
    AssignPrices(sample, prices);
    // Volume: the first column of non-negative whole numbers that is no
    // price, right of the first price.
    for (int c : numeric) {
        if (c < prices.front() || std::find(prices.begin(), prices.end(), c) != prices.end()) {
            continue;
        }
        const ColumnStats& st = sample.stats[static_cast<std::size_t>(c)];
        if (st.negative == 0 && st.integral * 10 >= st.numeric * 9) {
            SetField(sample, kSlotVolume, c, Confidence::kLikely,
                     "no header; the first column of whole numbers that are no prices");
            break;
        }
    }
    std::string unused;
    for (int c : numeric) {
        if (std::find(sample.column.begin(), sample.column.end(), c) == sample.column.end()) {
            unused += std::string(unused.empty() ? "" : ", ") + std::to_string(c + 1);
        }
    }
    if (!unused.empty()) {
        result.warnings.push_back("Column(s) " + unused +
                                  " hold numbers of unknown meaning and are not converted.");
    }
}

void ReportFields(Sample& sample, Detection& result) {
    ImportSettings& s = result.settings;
    s.fieldOn = {1, 0, 0, 0, 1, 0, 0};
    for (std::size_t slot = 0; slot < kFieldSlots; ++slot) {
        if (sample.column[slot] != kNoColumn) {
            s.fieldOn[slot] = 1;
            s.fieldCol[slot] = sample.column[slot] + 1;
        }
    }
    static constexpr std::array<const char*, kFieldSlots> kNames = {
        "date", "open", "high", "low", "close", "volume", "open interest"};
    for (std::size_t slot = 1; slot < kFieldSlots; ++slot) {
        const bool on = s.fieldOn[slot] != 0;
        Choose(result, std::string(kNames[slot]) + " column",
               on ? ColumnLabel(sample.column[slot], result.columnNames) : "none",
               on ? sample.fieldConfidence[slot]
                  : (sample.fromHeader ? Confidence::kSure : Confidence::kLikely),
               sample.fieldReason[slot]);
    }
}

// Plausibility of the chosen prices.
void CheckHighLow(Sample& sample, Detection& result) {
    const ImportSettings& s = result.settings;
    if (s.fieldOn[kSlotHigh] == 0 || s.fieldOn[kSlotLow] == 0) {
        return;
    }
    const auto& hi = ValuesOf(sample, sample.column[kSlotHigh]);
    const auto& lo = ValuesOf(sample, sample.column[kSlotLow]);
    int wrong = 0;
    for (std::size_t k = 0; k < hi.size(); ++k) {
        wrong += (!std::isnan(hi[k]) && !std::isnan(lo[k]) && hi[k] < lo[k]) ? 1 : 0;
    }
    if (wrong > 0) {
        result.warnings.push_back("On " + Plural(wrong, "sampled line", "sampled lines") +
                                  " the high is below the low.");
    }
}

}  // namespace torvan::detect
