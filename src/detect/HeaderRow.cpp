// SPDX-License-Identifier: GPL-3.0-or-later
// The header row: which line names the columns, and what its names mean.

#include <algorithm>

#include "detect/Stages.h"
#include "platform/Text.h"

namespace torvan::detect {
namespace {

// A header cell reduced to lower-case words: "<DTYYYYMMDD>" -> "dtyyyymmdd",
// "Vol." -> "vol", "Turnover (₹ Cr)" -> "turnover ₹ cr". Bytes of UTF-8
// text other than ASCII are kept as they are.
std::string HeaderKey(std::string_view cell) {
    std::string out;
    bool pendingBlank = false;
    for (char c : cell) {
        const auto u = static_cast<unsigned char>(c);
        const bool word =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || u >= 0x80;
        if (!word) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) {
            out += ' ';
            pendingBlank = false;
        }
        out += ToLowerAscii(c);
    }
    return out;
}

enum Role { kRoleNone = -1, kRoleDate = 0, kRoleTime = 7, kRoleOpenInt = kSlotOpenInterest };

struct NameRule {
    const char* key;
    int slot;
    int rank;  // lower wins when several columns name one field
};

// Header names of data sites and their exports, lower-cased by HeaderKey.
constexpr NameRule kNameRules[] = {
    // Date
    {"date", kSlotDate, 0},
    {"dtyyyymmdd", kSlotDate, 0},
    {"tradedate", kSlotDate, 0},
    {"trade date", kSlotDate, 0},
    {"gmt time", kSlotDate, 1},
    {"local time", kSlotDate, 1},
    {"datetime", kSlotDate, 1},
    {"date time", kSlotDate, 1},
    {"timestamp", kSlotDate, 2},
    {"day", kSlotDate, 2},
    {"time", kSlotDate, 3},
    {"datum", kSlotDate, 0},
    {"data", kSlotDate, 0},
    {"fecha", kSlotDate, 0},
    {"\xD0\xB4\xD0\xB0\xD1\x82\xD0\xB0", kSlotDate, 0},  // дата
    {"\xE6\x97\xA5\xE6\x9C\x9F", kSlotDate, 0},          // 日期
    {"\xE6\x97\xA5\xE4\xBB\x98", kSlotDate, 0},          // 日付
    // Open
    {"open", kSlotOpen, 0},
    {"open price", kSlotOpen, 0},
    {"opening price", kSlotOpen, 0},
    {"first", kSlotOpen, 2},
    {"eroffnung", kSlotOpen, 0},
    {"er\xC3\xB6"
     "ffnung",
     kSlotOpen, 0},
    {"erster", kSlotOpen, 1},
    {"otwarcie", kSlotOpen, 0},
    {"apertura", kSlotOpen, 0},
    {"abertura", kSlotOpen, 0},
    {"ouverture", kSlotOpen, 0},
    {"\xD0\xBE\xD1\x82\xD0\xBA\xD1\x80", kSlotOpen, 0},                                  // откр
    {"\xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD0\xB8\xD0\xB5", kSlotOpen, 0},  // открытие
    {"\xE5\xBC\x80\xE7\x9B\x98", kSlotOpen, 0},                                          // 开盘
    {"\xE9\x96\x8B\xE7\x9B\xA4", kSlotOpen, 0},                                          // 開盤
    {"\xE5\xA7\x8B\xE5\x80\xA4", kSlotOpen, 0},                                          // 始値
    // High
    {"high", kSlotHigh, 0},
    {"high price", kSlotHigh, 0},
    {"max", kSlotHigh, 1},
    {"maximum", kSlotHigh, 1},
    {"hoch", kSlotHigh, 0},
    {"najwyzszy", kSlotHigh, 0},
    {"najwy\xC5\xBC"
     "szy",
     kSlotHigh, 0},
    {"maximo", kSlotHigh, 0},
    {"m\xC3\xA1ximo", kSlotHigh, 0},
    {"m\xC3\xA1xima", kSlotHigh, 0},
    {"massimo", kSlotHigh, 0},
    {"plus haut", kSlotHigh, 0},
    {"haut", kSlotHigh, 1},
    {"\xD0\xBC\xD0\xB0\xD0\xBA\xD1\x81", kSlotHigh, 0},                                  // макс
    {"\xD0\xBC\xD0\xB0\xD0\xBA\xD1\x81\xD0\xB8\xD0\xBC\xD1\x83\xD0\xBC", kSlotHigh, 0},  // максимум
    {"\xE6\x9C\x80\xE9\xAB\x98", kSlotHigh, 0},                                          // 最高
    {"\xE9\xAB\x98\xE5\x80\xA4", kSlotHigh, 0},                                          // 高値
    // Low
    {"low", kSlotLow, 0},
    {"low price", kSlotLow, 0},
    {"min", kSlotLow, 1},
    {"minimum", kSlotLow, 1},
    {"tief", kSlotLow, 0},
    {"najnizszy", kSlotLow, 0},
    {"najni\xC5\xBC"
     "szy",
     kSlotLow, 0},
    {"minimo", kSlotLow, 0},
    {"m\xC3\xADnimo", kSlotLow, 0},
    {"m\xC3\xADnima", kSlotLow, 0},
    {"plus bas", kSlotLow, 0},
    {"bas", kSlotLow, 1},
    {"\xD0\xBC\xD0\xB8\xD0\xBD", kSlotLow, 0},                                  // мин
    {"\xD0\xBC\xD0\xB8\xD0\xBD\xD0\xB8\xD0\xBC\xD1\x83\xD0\xBC", kSlotLow, 0},  // минимум
    {"\xE6\x9C\x80\xE4\xBD\x8E", kSlotLow, 0},                                  // 最低
    {"\xE5\xAE\x89\xE5\x80\xA4", kSlotLow, 0},                                  // 安値
    // Close
    {"close", kSlotClose, 0},
    {"close price", kSlotClose, 0},
    {"closing price", kSlotClose, 0},
    {"close last", kSlotClose, 0},
    {"settle", kSlotClose, 1},
    {"settlement", kSlotClose, 1},
    {"settlement price", kSlotClose, 1},
    {"last", kSlotClose, 2},
    {"last price", kSlotClose, 2},
    {"price", kSlotClose, 3},
    {"value", kSlotClose, 4},
    {"nav", kSlotClose, 4},
    {"schluss", kSlotClose, 0},
    {"schlusskurs", kSlotClose, 0},
    {"zamkniecie", kSlotClose, 0},
    {"zamkni\xC4\x99"
     "cie",
     kSlotClose, 0},
    {"cierre", kSlotClose, 0},
    {"chiusura", kSlotClose, 0},
    {"fechamento", kSlotClose, 0},
    {"cl\xC3\xB4ture", kSlotClose, 0},
    {"cloture", kSlotClose, 0},
    {"dernier", kSlotClose, 2},
    {"\xC3\xBAltimo", kSlotClose, 2},
    {"ultimo", kSlotClose, 2},
    {"\xD0\xB7\xD0\xB0\xD0\xBA\xD1\x80", kSlotClose, 0},  // закр
    {"\xD0\xB7\xD0\xB0\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD0\xB8\xD0\xB5", kSlotClose,
     0},                                          // закрытие
    {"\xE6\x94\xB6\xE7\x9B\x98", kSlotClose, 0},  // 收盘
    {"\xE6\x94\xB6\xE7\x9B\xA4", kSlotClose, 0},  // 收盤
    {"\xE7\xB5\x82\xE5\x80\xA4", kSlotClose, 0},  // 終値
    {"adj close", kSlotClose, 8},
    {"adjusted close", kSlotClose, 8},
    // Volume
    {"volume", kSlotVolume, 0},
    {"vol", kSlotVolume, 0},
    {"volumes", kSlotVolume, 0},
    {"shares traded", kSlotVolume, 0},
    {"volume traded", kSlotVolume, 0},
    {"total trade quantity", kSlotVolume, 0},
    {"tickvol", kSlotVolume, 2},
    {"tick volume", kSlotVolume, 2},
    {"volumen", kSlotVolume, 0},
    {"wolumen", kSlotVolume, 0},
    {"\xD0\xBE\xD0\xB1\xD1\x8A\xD0\xB5\xD0\xBC", kSlotVolume, 0},  // объем
    {"\xD0\xBE\xD0\xB1\xD1\x8A\xD1\x91\xD0\xBC", kSlotVolume, 0},  // объём
    {"\xE6\x88\x90\xE4\xBA\xA4\xE9\x87\x8F", kSlotVolume, 0},      // 成交量
    {"\xE5\x87\xBA\xE6\x9D\xA5\xE9\xAB\x98", kSlotVolume, 0},      // 出来高
    // Open interest
    {"open interest", kRoleOpenInt, 0},
    {"openinterest", kRoleOpenInt, 0},
    {"openint", kRoleOpenInt, 0},
    {"open int", kRoleOpenInt, 0},
    {"oi", kRoleOpenInt, 0},
    {"prev day open interest", kRoleOpenInt, 1},
    {"previous day open interest", kRoleOpenInt, 1},
};

// Names that are no field of a price record (so the header counts as
// understood), and words that say the file comes from a day-first region.
bool IsKnownOtherName(const std::string& key) {
    static const std::vector<std::string> others = {
        "ticker",        "per",    "time",      "adj close", "change", "change %", "chg",
        "turnover",      "amount", "numtrades", "trades",    "split",  "dividend", "absolutechange",
        "percentchange", "symbol", "name",      "openint"};
    return std::find(others.begin(), others.end(), key) != others.end();
}

bool DayFirstLanguage(const std::string& key) {
    static const std::vector<std::string> words = {"datum",
                                                   "data",
                                                   "fecha",
                                                   "otwarcie",
                                                   "zamkniecie",
                                                   "wolumen",
                                                   "eroffnung",
                                                   "er\xC3\xB6"
                                                   "ffnung",
                                                   "schluss",
                                                   "hoch",
                                                   "tief",
                                                   "apertura",
                                                   "chiusura",
                                                   "cierre",
                                                   "ouverture",
                                                   "cl\xC3\xB4ture",
                                                   "cloture",
                                                   "fechamento",
                                                   "abertura",
                                                   "\xD0\xB4\xD0\xB0\xD1\x82\xD0\xB0"};
    return std::find(words.begin(), words.end(), key) != words.end();
}

// The header row: the last line before the first dated one whose cells name
// the most fields.
int HeaderRow(const Sample& sample) {
    std::size_t firstDated = 0;
    while (firstDated < sample.days.size() &&
           std::all_of(sample.days[firstDated].begin(), sample.days[firstDated].end(),
                       [](std::uint16_t day) { return day == 0; })) {
        ++firstDated;
    }
    if (firstDated == sample.days.size()) {
        return -1;
    }
    int headerLine = -1;
    int headerScore = 0;
    for (std::size_t i = 0; i < firstDated; ++i) {
        int named = 0;
        for (const std::string& cell : sample.lines[i].fields) {
            const std::string key = HeaderKey(cell);
            if (SlotOfName(key).first != kRoleNone || IsKnownOtherName(key)) {
                ++named;
            }
        }
        if (named >= headerScore && named > 0) {
            headerScore = named;
            headerLine = static_cast<int>(i);
        }
    }
    return headerLine;
}

// Blanks separate the columns and also the words of a name ("Adj Close"):
// while the header has more cells than the rows have columns, two cells
// that together make a known name are one column's name.
void JoinTwoWordNames(Sample& sample, std::vector<std::string>& names) {
    auto& keys = sample.headerKeys;
    bool joined = true;
    while (joined && static_cast<int>(keys.size()) > sample.columnCount) {
        joined = false;
        for (std::size_t i = 0; i + 1 < keys.size() && !joined; ++i) {
            const std::string key = keys[i] + " " + keys[i + 1];
            if (SlotOfName(key).first == kRoleNone && !IsKnownOtherName(key)) {
                continue;
            }
            keys[i] = key;
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            if (i + 1 < names.size()) {
                names[i] += " " + names[i + 1];
                names.erase(names.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            }
            joined = true;
        }
    }
}

}  // namespace

std::pair<int, int> SlotOfName(const std::string& key) {
    for (const NameRule& rule : kNameRules) {
        if (key == rule.key) {
            return {rule.slot, rule.rank};
        }
    }
    return {kRoleNone, 0};
}

// The names of the header row, and the region its language tells.
void FindHeaderRow(Sample& sample, Detection& result) {
    sample.headerLine = HeaderRow(sample);
    if (sample.headerLine < 0) {
        return;
    }
    const SampleLine& header = sample.lines[static_cast<std::size_t>(sample.headerLine)];
    for (const std::string& cell : header.fields) {
        result.columnNames.push_back(cell);
        sample.headerKeys.push_back(HeaderKey(cell));
        if (DayFirstLanguage(sample.headerKeys.back())) {
            sample.dayFirst = true;
        }
    }
    JoinTwoWordNames(sample, result.columnNames);
}

}  // namespace torvan::detect
