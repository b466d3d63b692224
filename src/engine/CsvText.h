// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvan {

// CSV reading of one price line, the opt-in alternative to splitting at runs
// of a delimiter. Fields may be double-quoted (holding the delimiter, or a
// doubled quote for a quote), an empty field keeps its column, and blanks
// around a field are dropped. With the blank as delimiter a run of blanks
// separates two fields, as column-aligned files need.
//
// Returns the fields of line (without its line end), at most maxFields; the
// rest of the line is ignored.
std::vector<std::string> SplitCsvLine(std::string_view line, char delimiter,
                                      std::size_t maxFields = 20);

// The plain splitting: a column is a maximal run of characters other than
// delimiter, so runs of delimiters count as one and empty fields vanish.
std::vector<std::string> SplitPlainLine(std::string_view line, char delimiter,
                                        std::size_t maxFields = 20);

// A value field of a CSV line as a number, whatever the data site made of
// it: thousands separators ("2,659.60", "40,019,422", with decimalComma
// "1.234,56" or "1 234,56"), a decimal comma, a K, M or B multiplier on
// volumes ("156.12K"), a trailing percent sign. Nothing for an empty field
// or text that holds no number ("null", "-", "n/a"). The digits are moved,
// never multiplied in floating point, so "156.12K" is exactly 156120.
std::optional<float> ReadCsvNumber(std::string_view text, bool decimalComma);

// The same field as plain decimal text ("156120", "1234.56"), or empty.
std::string CsvNumberText(std::string_view text, bool decimalComma);

// The twelve month numbers of an English month name: the full name or its
// first three letters (also "Sept"), any letter case; 0 for anything else.
int MonthNumber(std::string_view name);

// A date field of a CSV line made ready for the twelve layouts:
// - a time of day after the date is dropped ("15/12/1980 16:00:00",
//   "05.06.2009 08:00:00.000 GMT+0800", "2019-07-10T16:00:00Z"), and so
//   is one without colons after a date of six or eight digits
//   ("20240102 093000");
// - with monthNames, an English month name (full or three letters) becomes
//   its two-digit number ("03 May 2019" -> "03 05 2019", "15JAN03" ->
//   "15/01/03"); other words, such as a weekday, are dropped;
// - runs of separators become one, and separators at either end go.
// A field that holds only a time of day gives an empty text.
std::string NormalizeCsvDate(std::string_view text, bool monthNames);

}  // namespace torvan
