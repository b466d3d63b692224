// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace torvan {

// Text helpers that never depend on the process locale: file names, symbols,
// profile names and date layouts compare by ASCII letters only.

inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string ToLowerAscii(std::string text);
std::string ToUpperAscii(std::string text);

// Whether text holds an ASCII control character (a line end, a tab, ...),
// which would break the lines that list or report it.
bool HasControlCharacter(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// text without the characters of chars at its start, end or both.
std::string_view TrimLeft(std::string_view text, std::string_view chars = kWhiteSpace);
std::string_view TrimRight(std::string_view text, std::string_view chars = kWhiteSpace);
std::string_view Trim(std::string_view text, std::string_view chars = kWhiteSpace);

// The position of the last c in text, or npos. Reading a file backwards
// looks for every line feed this way, so it uses memrchr where there is one.
std::size_t FindLast(std::string_view text, char c);

}  // namespace torvan
