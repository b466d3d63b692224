// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PriceLine.h"

#include <optional>
#include <vector>

#include "database/Dates.h"
#include "engine/Converter.h"
#include "engine/CsvText.h"
#include "engine/InputText.h"
#include "engine/MonthNames.h"
#include "engine/NumberText.h"
#include "platform/Text.h"

namespace torvan {

void StripLineEnd(std::string& line) {
    line.resize(WithoutLineEnd(line).size());
}

PriceLine ReadPriceLine(std::string_view line, const LineLayout& layout) {
    PriceLine out;
    std::vector<std::string> columns = layout.csv
                                           ? SplitCsvLine(line, layout.delimiter, kMaxColumns)
                                           : SplitPlainLine(line, layout.delimiter, kMaxColumns);
    bool anyText = false;
    for (const std::string& column : columns) {
        anyText = anyText || !column.empty();
    }
    // A CSV line of empty fields (",,," or a lone tab) is an empty line.
    if (columns.empty() || !anyText) {
        return out;
    }
    out.columns = static_cast<int>(columns.size());
    if (layout.tickerColumn >= 0 && layout.tickerColumn < out.columns) {
        const std::string& ticker = columns[static_cast<std::size_t>(layout.tickerColumn)];
        out.ticker = std::string(Trim(std::string_view(ticker).substr(0, ticker.find('\0'))));
    }
    auto column = [&](int slot) -> const std::string* {
        const int c = layout.fieldCol[static_cast<std::size_t>(slot)];
        if (c < 0 || c >= out.columns) {
            out.missingColumns = true;
            return nullptr;
        }
        return &columns[static_cast<std::size_t>(c)];
    };

    if (const std::string* date = column(kSlotDate)) {
        out.dateText = date->substr(0, date->find('\0'));
        std::string text = out.dateText;
        if (layout.timeInDate) {
            const DateAndTime split = SplitDateTime(text);
            out.time = split.time;
            text = std::string(split.date);
        }
        if (layout.csv) {
            text = NormalizeCsvDate(text, layout.monthNames);
            out.monthNameResult = text != out.dateText ? 1 : 0;
        } else if (layout.monthNames) {
            out.monthNameResult = TranslateMonthName(text);
        }
        out.day = ParseDateText(text, layout.dateFormat);
        out.readDate = std::move(text);
    }
    if (layout.timeColumn >= 0) {
        const auto c = static_cast<std::size_t>(layout.timeColumn);
        out.time = c < columns.size() ? ParseTimeText(columns[c]) : -1;
    }
    // An intraday bar without its time could not be put in order.
    if (out.day == 0 || (layout.HasTime() && out.time < 0)) {
        out.kind = LineKind::kNoDate;
        return out;
    }
    bool anyPrice = false;
    for (int slot = 1; slot < kFieldSlots; ++slot) {
        if (layout.fieldOn[static_cast<std::size_t>(slot)] == 0) {
            continue;
        }
        const std::string* text = column(slot);
        std::optional<float> value;
        if (text != nullptr) {
            value = layout.csv ? ReadCsvNumber(*text, layout.decimalComma) : ReadNumber(*text);
        }
        if (value && slot <= kSlotClose) {
            anyPrice = true;
        }
        out.values[static_cast<std::size_t>(slot)] = value.value_or(0.0F);
    }
    out.kind = anyPrice ? LineKind::kRecord : LineKind::kNoPrice;
    return out;
}

}  // namespace torvan
