// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CsvText.h"

#include <algorithm>
#include <array>

#include "database/Dates.h"
#include "engine/NumberText.h"
#include "platform/Text.h"

namespace torvan {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A no-break space in UTF-8 and Latin-1, as spreadsheets write thousands.
constexpr std::string_view kNbspUtf8 = "\xC2\xA0";

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '"')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '"')) {
        text.remove_suffix(1);
    }
    return text;
}

void TrimTrailingBlanks(std::string& text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.pop_back();
    }
}

// Moves the decimal point of a plain decimal number ([sign] digits [. digits])
// places to the right.
std::string ShiftDecimal(const std::string& number, std::size_t places) {
    std::size_t start = 0;
    std::string sign;
    if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
        sign = number.substr(0, 1);
        start = 1;
    }
    const std::size_t point = number.find('.', start);
    std::string whole =
        number.substr(start, point == std::string::npos ? std::string::npos : point - start);
    std::string fraction = point == std::string::npos ? std::string() : number.substr(point + 1);
    if (fraction.size() < places) {
        fraction.append(places - fraction.size(), '0');
    }
    whole += fraction.substr(0, places);
    fraction.erase(0, places);
    if (whole.empty()) {
        whole = "0";
    }
    return sign + whole + (fraction.empty() ? std::string() : "." + fraction);
}

}  // namespace

std::vector<std::string> SplitCsvLine(std::string_view line, char delimiter,
                                      std::size_t maxFields) {
    std::vector<std::string> fields;
    const bool blankDelimited = delimiter == ' ';
    auto isPad = [&](char c) { return c == ' ' || (c == '\t' && delimiter != '\t'); };
    std::size_t i = 0;
    const std::size_t n = line.size();
    if (blankDelimited) {
        while (i < n && isPad(line[i])) {
            ++i;
        }
    }
    if (i == n) {
        return fields;
    }
    while (fields.size() < maxFields) {
        while (i < n && isPad(line[i])) {
            ++i;
        }
        std::string field;
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            // Text between the closing quote and the delimiter is kept, as
            // spreadsheets do; blanks there are padding.
            std::string rest;
            while (i < n && line[i] != delimiter) {
                rest += line[i++];
            }
            TrimTrailingBlanks(rest);
            field += rest;
        } else {
            while (i < n && line[i] != delimiter) {
                field += line[i++];
            }
            TrimTrailingBlanks(field);
        }
        fields.push_back(std::move(field));
        if (i >= n) {
            break;
        }
        ++i;  // the delimiter
        if (blankDelimited) {
            while (i < n && isPad(line[i])) {
                ++i;
            }
            if (i == n) {
                break;
            }
        } else if (i == n && fields.size() < maxFields) {
            fields.emplace_back();  // a delimiter at the end opens an empty last field
            break;
        }
    }
    return fields;
}

std::vector<std::string> SplitPlainLine(std::string_view line, char delimiter,
                                        std::size_t maxFields) {
    std::vector<std::string> columns;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && columns.size() < maxFields) {
        while (i < n && line[i] == delimiter) {
            ++i;
        }
        if (i == n) {
            break;
        }
        std::size_t end = i;
        while (end < n && line[end] != delimiter) {
            ++end;
        }
        columns.emplace_back(line.substr(i, end - i));
        i = end;
    }
    return columns;
}

std::string CsvNumberText(std::string_view text, bool decimalComma) {
    // Drop blanks, quotes and no-break spaces at either end.
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        const std::string_view before = text;
        text = TrimView(text);
        if (text.substr(0, kNbspUtf8.size()) == kNbspUtf8) {
            text.remove_prefix(kNbspUtf8.size());
        }
        if (text.size() >= kNbspUtf8.size() &&
            text.substr(text.size() - kNbspUtf8.size()) == kNbspUtf8) {
            text.remove_suffix(kNbspUtf8.size());
        }
        trimmed = text.size() != before.size();
    }
    std::string sign;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        sign = std::string(1, text[0]);
        text.remove_prefix(1);
    }
    if (!text.empty() && text[0] == '$') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.back() == '%') {
        text.remove_suffix(1);
    }
    std::size_t places = 0;
    if (!text.empty()) {
        const char last = Lower(text.back());
        const std::size_t shift = last == 'k' ? 3 : last == 'm' ? 6 : last == 'b' ? 9 : 0;
        if (shift != 0) {
            std::string_view head = text.substr(0, text.size() - 1);
            while (!head.empty() && head.back() == ' ') {
                head.remove_suffix(1);
            }
            if (!head.empty() && IsDigit(head.back())) {
                places = shift;
                text = head;
            }
        }
    }
    const char thousands = decimalComma ? '.' : ',';
    const char point = decimalComma ? ',' : '.';
    std::string out = sign;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool between = i > 0 && IsDigit(text[i - 1]) && i + 1 < text.size();
        if (between && (c == thousands || c == ' ' || c == '\'') && IsDigit(text[i + 1])) {
            continue;
        }
        if (between && text.substr(i, kNbspUtf8.size()) == kNbspUtf8 &&
            i + kNbspUtf8.size() < text.size() && IsDigit(text[i + kNbspUtf8.size()])) {
            ++i;
            continue;
        }
        out += c == point ? '.' : c;
    }
    // Only the number at the start counts, as the plain reading takes it.
    std::size_t end = sign.size();
    std::size_t digits = 0;
    while (end < out.size() && IsDigit(out[end])) {
        ++end;
        ++digits;
    }
    if (end < out.size() && out[end] == '.') {
        ++end;
        while (end < out.size() && IsDigit(out[end])) {
            ++end;
            ++digits;
        }
    }
    if (digits == 0) {
        return {};
    }
    if (places > 0) {
        return ShiftDecimal(out.substr(0, end), places);
    }
    // An exponent is part of the number; anything else after it is not.
    if (end < out.size() && (out[end] == 'e' || out[end] == 'E')) {
        std::size_t k = end + 1;
        if (k < out.size() && (out[k] == '+' || out[k] == '-')) {
            ++k;
        }
        if (k < out.size() && IsDigit(out[k])) {
            while (k < out.size() && IsDigit(out[k])) {
                ++k;
            }
            end = k;
        }
    }
    return out.substr(0, end);
}

std::optional<float> ReadCsvNumber(std::string_view text, bool decimalComma) {
    const std::string number = CsvNumberText(text, decimalComma);
    if (number.empty()) {
        return std::nullopt;
    }
    return ReadNumber(number);
}

int MonthNumber(std::string_view name) {
    static constexpr std::array<const char*, 12> kNames = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    if (name.size() < 3) {
        return 0;
    }
    std::string lower;
    for (char c : name) {
        lower += Lower(c);
    }
    for (std::size_t m = 0; m < kNames.size(); ++m) {
        const std::string_view full = kNames[m];
        if (lower == full || lower == full.substr(0, 3) || (m == 8 && lower == "sept")) {
            return static_cast<int>(m) + 1;
        }
    }
    return 0;
}

std::string NormalizeCsvDate(std::string_view input, bool monthNames) {
    std::string_view text = TrimView(input);
    // A time of day is a run of digits with a colon; it and whatever follows
    // it (seconds, a zone) are not part of the date. A time in front of the
    // date goes alone.
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        std::size_t start = colon;
        while (start > 0 && IsDigit(text[start - 1])) {
            --start;
        }
        if (start == 0) {
            std::size_t end = colon;
            while (end < text.size() &&
                   (IsDigit(text[end]) || text[end] == ':' || text[end] == '.')) {
                ++end;
            }
            text = TrimView(text.substr(end));
            // "4:00 PM 12/31/2019"
            if (text.size() >= 2 && (Lower(text[0]) == 'a' || Lower(text[0]) == 'p') &&
                Lower(text[1]) == 'm' && (text.size() == 2 || !IsLetter(text[2]))) {
                text = TrimView(text.substr(2));
            }
        } else if (text[start - 1] == ' ' || text[start - 1] == 'T' || text[start - 1] == '_') {
            text = TrimView(text.substr(0, start - 1));
        }
    } else if (const std::size_t blank = text.find_first_of(" \t");
               blank != std::string_view::npos) {
        // "20240102 093000": a time without colons after a date of digits
        // alone; in a date written with blanks ("02 01 2024") the last word
        // is the year.
        const std::string_view date = text.substr(0, blank);
        const std::string_view time = TrimView(text.substr(blank));
        if ((date.size() == 6 || date.size() == 8) &&
            std::all_of(date.begin(), date.end(), IsDigit) && ParseTimeText(time) >= 0) {
            text = date;
        }
    }

    std::string out;
    std::string separator;  // the pending run of separators, collapsed
    auto addSeparator = [&](char c) {
        if (separator.empty() || (separator == " " && c != ' ')) {
            separator = std::string(1, c);
        }
    };
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (IsDigit(c)) {
            if (!out.empty() && !separator.empty()) {
                out += separator;
            }
            separator.clear();
            out += c;
            ++i;
            continue;
        }
        if (IsLetter(c)) {
            std::size_t end = i;
            while (end < text.size() && IsLetter(text[end])) {
                ++end;
            }
            const int month = monthNames ? MonthNumber(text.substr(i, end - i)) : 0;
            if (month != 0) {
                // Digits right before the name ("15JAN03") are the day:
                // the name takes their place in the date, separated.
                if (!out.empty()) {
                    out += separator.empty() ? "/" : separator;
                }
                separator.clear();
                out += static_cast<char>('0' + month / 10);
                out += static_cast<char>('0' + month % 10);
                // "Jan15" reads as "01/15".
                if (end < text.size() && IsDigit(text[end])) {
                    separator = "/";
                }
            } else {
                addSeparator(' ');
            }
            i = end;
            continue;
        }
        addSeparator(c == '\t' ? ' ' : c);
        ++i;
    }
    return out;
}

}  // namespace torvan
