// SPDX-License-Identifier: GPL-3.0-or-later
// The record conversion for the reading options beyond the basic ones:
// CSV reading, trailing footer lines, UTF-16 text and a ticker column. Every line goes
// through ReadPriceLine, the reading that the preview and the layout
// detection use too, so what they show is what is stored.
#include <algorithm>
#include <deque>
#include <optional>
#include <string>

#include "database/Dates.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "engine/TextReader.h"

namespace torvan {
namespace {

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct HeldLine {
    long number = 0;
    PriceLine read;
};

// Adds the next line of a day to its daily bar: the highest high, the
// lowest low, the last close and open interest, the volumes summed. A field
// that holds no number on the line (0) changes nothing.
void MergeIntoBar(PriceLine& bar, const PriceLine& line) {
    auto& to = bar.values;
    const auto& from = line.values;
    if (from[kSlotHigh] != 0.0F) {
        to[kSlotHigh] =
            to[kSlotHigh] == 0.0F ? from[kSlotHigh] : std::max(to[kSlotHigh], from[kSlotHigh]);
    }
    if (from[kSlotLow] != 0.0F) {
        to[kSlotLow] =
            to[kSlotLow] == 0.0F ? from[kSlotLow] : std::min(to[kSlotLow], from[kSlotLow]);
    }
    for (const int slot : {kSlotClose, kSlotOpenInterest}) {
        const auto s = static_cast<std::size_t>(slot);
        to[s] = from[s] != 0.0F ? from[s] : to[s];
    }
    if (to[kSlotOpen] == 0.0F) {
        to[kSlotOpen] = from[kSlotOpen];
    }
    to[kSlotVolume] += from[kSlotVolume];
    bar.missingColumns = bar.missingColumns || line.missingColumns;
}

}  // namespace

LineLayout CConverter::Layout() const {
    LineLayout layout;
    layout.delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    layout.csv = m_bCsv != 0;
    layout.decimalComma = m_bCsv != 0 && m_bDecimalComma != 0;
    layout.monthNames = m_bMonthNames == 1;
    layout.dateFormat = m_nDateFormat;
    layout.fieldOn = m_bFieldOn;
    layout.fieldOn[kSlotDate] = 1;
    layout.fieldCol = m_nFieldCol;
    layout.tickerColumn = m_nTickerCol;
    layout.timeColumn = m_nTimeCol;
    layout.timeInDate = m_bTimeInDate != 0;
    return layout;
}

int CConverter::ConvertLines() {
    TextReader input;
    if (const int refused = BeginConvert(input); refused != 0) {
        return refused;
    }
    const int fileNumber = m_nFileNumber;

    const LineLayout layout = Layout();
    ConvertTally tally;
    long lineNumber = 0;

    std::optional<HeldLine> bar;  // the day being built into a daily bar
    // Returns false to stop reading.
    auto convert = [&](const HeldLine& held) {
        const PriceLine& read = held.read;
        // Another security's line: none of this one's business.
        if (layout.tickerColumn >= 0 && read.ticker != m_szTicker) {
            return true;
        }
        if (DateTooLong(tally, held.number, read.dateText.size())) {
            return false;
        }
        // The plain reading judges the date as written (without the time
        // that follows it); CSV reading the date it made of it (time
        // dropped, month names as numbers).
        const std::string judged = layout.csv ? read.readDate
                                   : layout.timeInDate
                                       ? std::string(SplitDateTime(read.dateText).date)
                                       : read.dateText;
        if (!tally.checked && layout.fieldCol[kSlotDate] < read.columns &&
            !CheckDateFormat(tally, !AllDigits(judged), !layout.csv && read.monthNameResult != 0)) {
            return false;
        }
        if (read.kind == LineKind::kNoDate) {
            tally.counts.Undated(held.number);
            return true;
        }
        if (read.kind == LineKind::kNoPrice) {
            // A bar of zeros would plot as a crash to 0 (holiday rows of "null").
            tally.counts.Unpriced(held.number);
            return true;
        }
        if (m_bDaily == 0) {
            return StoreRead(tally, held.number, read);
        }
        // The lines of one day make its bar, stored when the next day comes.
        if (bar && read.day == bar->read.day) {
            MergeIntoBar(bar->read, read);
            return true;
        }
        const bool stored = !bar || StoreRead(tally, bar->number, bar->read);
        bar = held;
        return stored;
    };

    // The footer is the last lines that are not empty: hold that many back
    // until the next one comes.
    const std::size_t footer = static_cast<std::size_t>(std::max(0, m_nFooterRows));
    std::deque<HeldLine> held;
    std::string line;
    const long skip = m_bSkipRows == 1 ? m_nSkipRows : 0;
    bool going = true;
    while (going && input.ReadLine(line)) {
        ++lineNumber;
        if (lineNumber <= skip) {
            continue;
        }
        StripLineEnd(line);
        HeldLine next{lineNumber, ReadPriceLine(line, layout)};
        if (next.read.kind == LineKind::kEmpty) {
            continue;
        }
        held.push_back(std::move(next));
        if (held.size() > footer) {
            going = convert(held.front());
            held.pop_front();
        }
    }
    if (going && bar) {
        StoreRead(tally, bar->number, bar->read);
    }
    input.Close();
    return FinishConvert(tally, input, fileNumber);
}

}  // namespace torvan
