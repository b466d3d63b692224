#include "detect/Detect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <map>
#include <optional>

#include "database/Dates.h"
#include "engine/CsvText.h"
#include "engine/TextReader.h"
#include "platform/Text.h"

namespace torvan {
namespace {

constexpr std::size_t kHeadLines = 400;
constexpr std::size_t kTailLines = 40;
constexpr int kNoColumn = -1;
constexpr int kMaxSkip = 200;

// ---------------------------------------------------------------- text helpers

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

std::string ColumnText(int column) {
    return "column " + std::to_string(column + 1);
}

std::string Plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

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
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

// ---------------------------------------------------------------- dates

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

// The day number of a (normalised) date text read strictly in one layout:
// the numbers must have the layout's widths and make a real calendar day,
// and the conversion's own date reading must agree. 0 otherwise.
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

// ---------------------------------------------------------------- header names

enum Role { kRoleNone = -1, kRoleDate = 0, kRoleTime = 7, kRoleOpenInt = kSlotOpenInterest };

struct NameRule {
    const char* key;
    int slot;
    int rank;  // lower wins when several columns name one field
};

// Header names of data sites and their exports, lower-cased by HeaderKey.
const std::vector<NameRule>& NameRules() {
    static const std::vector<NameRule> rules = {
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
        {"\xD0\xBE\xD1\x82\xD0\xBA\xD1\x80", kSlotOpen, 0},  // откр
        {"\xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD0\xB8\xD0\xB5", kSlotOpen,
         0},                                         // открытие
        {"\xE5\xBC\x80\xE7\x9B\x98", kSlotOpen, 0},  // 开盘
        {"\xE9\x96\x8B\xE7\x9B\xA4", kSlotOpen, 0},  // 開盤
        {"\xE5\xA7\x8B\xE5\x80\xA4", kSlotOpen, 0},  // 始値
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
        {"\xD0\xBC\xD0\xB0\xD0\xBA\xD1\x81", kSlotHigh, 0},  // макс
        {"\xD0\xBC\xD0\xB0\xD0\xBA\xD1\x81\xD0\xB8\xD0\xBC\xD1\x83\xD0\xBC", kSlotHigh,
         0},                                         // максимум
        {"\xE6\x9C\x80\xE9\xAB\x98", kSlotHigh, 0},  // 最高
        {"\xE9\xAB\x98\xE5\x80\xA4", kSlotHigh, 0},  // 高値
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
    return rules;
}

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

// The field a header cell names and its rank; slot -1 for none.
std::pair<int, int> SlotOfName(const std::string& key) {
    for (const NameRule& rule : NameRules()) {
        if (key == rule.key) {
            return {rule.slot, rule.rank};
        }
    }
    return {kRoleNone, 0};
}

// ---------------------------------------------------------------- the sample

struct SampleLine {
    long number = 0;  // 1-based line number in the file
    std::string text;
    std::vector<std::string> fields;  // CSV split with the chosen delimiter
};

struct ColumnStats {
    int numeric = 0;
    int empty = 0;
    int integral = 0;
    int negative = 0;
    std::vector<double> values;  // by data line; NaN where no number
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Chooses the delimiter: the one that splits the sample into the same
// number of fields (at least two) on most lines. Tab, semicolon and comma
// come before the blank, which also separates words inside a field.
struct DelimiterChoice {
    int setting = 0;
    char character = ',';
    int fields = 0;
    double share = 0;
};

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

}  // namespace

const char* DelimiterName(int delimiter) {
    switch (delimiter) {
        case 1:
            return "tab";
        case 2:
            return "space";
        case 3:
            return "semicolon";
        default:
            return "comma";
    }
}

void TakeReadingSettings(const ImportSettings& from, ImportSettings& to) {
    to.dateFormat = from.dateFormat;
    to.delimiter = from.delimiter;
    to.reverse = from.reverse;
    to.skipOn = from.skipOn;
    to.skipRows = from.skipRows;
    to.fieldOn = from.fieldOn;
    to.fieldCol = from.fieldCol;
    to.monthNames = from.monthNames;
    to.csv = from.csv;
    to.decimalComma = from.decimalComma;
    to.footerRows = from.footerRows;
}

LineLayout LayoutOf(const ImportSettings& settings, int dateCode) {
    LineLayout layout;
    layout.delimiter = DelimiterChar(settings.delimiter);
    layout.csv = settings.csv != 0;
    layout.decimalComma = settings.decimalComma != 0;
    layout.monthNames = settings.monthNames != 0;
    layout.dateFormat = dateCode;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        layout.fieldOn[s] = (s == kSlotDate || s == kSlotClose) ? 1 : settings.fieldOn[s];
        layout.fieldCol[s] = settings.fieldCol[s] - 1;
    }
    return layout;
}

Detection DetectLayout(const std::string& path) {
    Detection result;
    TextReader reader;
    if (!reader.Open(path)) {
        result.whyNot = "Cannot open the file " + path;
        return result;
    }
    std::vector<std::string> head;
    std::deque<std::string> tail;
    std::vector<std::string> after;  // lines after the head while they are few
    long total = 0;
    std::string line;
    while (reader.ReadLine(line)) {
        ++total;
        StripLineEnd(line);
        if (head.size() < kHeadLines) {
            head.push_back(line);
            continue;
        }
        tail.push_back(line);
        if (tail.size() > kTailLines) {
            tail.pop_front();
        }
    }
    const bool failed = reader.Failed();
    reader.Close();
    if (failed) {
        result.whyNot = "Cannot read the file " + path;
        return result;
    }
    result = DetectLayout(head, std::vector<std::string>(tail.begin(), tail.end()), total);
    return result;
}

Detection DetectLayout(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                       long totalLines) {
    Detection result;
    result.linesInFile = totalLines;
    ImportSettings& s = result.settings;
    auto choose = [&](std::string setting, std::string value, Confidence confidence,
                      std::string reason = {}) {
        result.choices.push_back(
            {std::move(setting), std::move(value), confidence, std::move(reason)});
    };

    // The sample: the head, then the tail with its real line numbers.
    std::vector<SampleLine> sample;
    for (std::size_t i = 0; i < head.size(); ++i) {
        sample.push_back({static_cast<long>(i) + 1, head[i], {}});
    }
    const long tailStart = totalLines - static_cast<long>(tail.size()) + 1;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        sample.push_back({tailStart + static_cast<long>(i), tail[i], {}});
    }
    std::vector<std::string> texts;
    for (const SampleLine& l : sample) {
        if (l.text.find('\0') != std::string::npos) {
            result.whyNot =
                "The file is not text: line " + std::to_string(l.number) + " holds a NUL byte.";
            return result;
        }
        texts.push_back(l.text);
    }
    if (std::all_of(texts.begin(), texts.end(), IsBlankLine)) {
        result.whyNot = "The file holds no text lines.";
        return result;
    }

    // Delimiter.
    const auto delimiter = ChooseDelimiter(texts);
    if (!delimiter) {
        result.whyNot =
            "No delimiter (comma, tab, semicolon or blank) splits the lines into columns the "
            "same way: this is not a table of prices.";
        return result;
    }
    s.delimiter = delimiter->setting;
    {
        const Confidence c = delimiter->share >= 0.9 ? Confidence::kSure : Confidence::kLikely;
        choose("delimiter", DelimiterName(s.delimiter), c,
               c == Confidence::kSure
                   ? std::string()
                   : "only " + std::to_string(static_cast<int>(delimiter->share * 100)) +
                         "% of the lines have " + std::to_string(delimiter->fields) + " fields");
    }
    for (SampleLine& l : sample) {
        l.fields = SplitCsvLine(l.text, delimiter->character, kMaxColumns);
    }

    // Date column: the column that reads as a date in one layout on most
    // lines; the header's date column first.
    const int columnCount = std::min(delimiter->fields, kMaxColumns);
    int dateColumn = kNoColumn;
    int bestCount = 0;
    bool monthNames = false;
    std::vector<std::vector<std::array<std::uint16_t, 13>>> perColumn(
        static_cast<std::size_t>(columnCount),
        std::vector<std::array<std::uint16_t, 13>>(sample.size()));
    std::vector<int> columnHits(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) {
        int hits = 0;
        for (std::size_t i = 0; i < sample.size(); ++i) {
            const auto& fields = sample[i].fields;
            if (static_cast<std::size_t>(c) >= fields.size()) {
                continue;
            }
            const std::string text = NormalizeCsvDate(fields[static_cast<std::size_t>(c)], true);
            bool any = false;
            for (int code = 1; code <= 12; ++code) {
                const std::uint16_t day = StrictDay(text, code);
                perColumn[static_cast<std::size_t>(c)][i][static_cast<std::size_t>(code)] = day;
                any = any || day != 0;
            }
            hits += any ? 1 : 0;
        }
        columnHits[static_cast<std::size_t>(c)] = hits;
        if (hits > bestCount) {
            bestCount = hits;
            dateColumn = c;
        }
    }
    long nonBlank = 0;
    for (const SampleLine& l : sample) {
        nonBlank += IsBlankLine(l.text) ? 0 : 1;
    }
    if (dateColumn == kNoColumn || bestCount * 3 < nonBlank) {
        std::string first;
        for (const SampleLine& l : sample) {
            if (!IsBlankLine(l.text)) {
                first = l.text.substr(0, 80);
                break;
            }
        }
        result.whyNot =
            "No column holds dates in one of the twelve date layouts on most lines (line 1: \"" +
            first + "\"). Dates before 1961 cannot be stored either.";
        return result;
    }
    const auto& dateDays = perColumn[static_cast<std::size_t>(dateColumn)];

    // Date layout: the layouts that read every dated line; when several do,
    // the one whose dates follow each other most closely, as a price
    // series' days do.
    std::array<int, 13> fits{};
    for (std::size_t i = 0; i < sample.size(); ++i) {
        for (int code = 1; code <= 12; ++code) {
            if (dateDays[i][static_cast<std::size_t>(code)] != 0) {
                ++fits[static_cast<std::size_t>(code)];
            }
        }
    }
    int maxFit = *std::max_element(fits.begin(), fits.end());
    std::vector<int> candidates;
    for (int code = 1; code <= 12; ++code) {
        if (fits[static_cast<std::size_t>(code)] == maxFit) {
            candidates.push_back(code);
        }
    }
    // Region hints for a tie: a semicolon, a dotted date or a header in a
    // continental language mean day first.
    bool dayFirst = s.delimiter == 3;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        if (dateDays[i][kDD_MM_CCYY] != 0 || dateDays[i][kDD_MM_YY] != 0) {
            const std::string& t = sample[i].fields[static_cast<std::size_t>(dateColumn)];
            if (t.find('.') != std::string::npos) {
                dayFirst = true;
            }
            break;
        }
    }
    int code = candidates.front();
    Confidence dateConfidence = Confidence::kSure;
    std::string dateReason;
    if (candidates.size() > 1) {
        // Score: consecutive dated lines at most 31 days apart.
        std::map<int, int> score;
        for (int candidate : candidates) {
            std::uint16_t previous = 0;
            int close = 0;
            for (std::size_t i = 0; i < sample.size(); ++i) {
                const std::uint16_t day = dateDays[i][static_cast<std::size_t>(candidate)];
                if (day == 0) {
                    continue;
                }
                if (previous != 0 && std::abs(static_cast<int>(day) - previous) <= 31) {
                    ++close;
                }
                previous = day;
            }
            score[candidate] = close;
        }
        int bestScore = -1;
        for (int candidate : candidates) {
            bestScore = std::max(bestScore, score[candidate]);
        }
        std::vector<int> best;
        for (int candidate : candidates) {
            if (score[candidate] == bestScore) {
                best.push_back(candidate);
            }
        }
        if (best.size() == 1) {
            code = best.front();
            dateConfidence = Confidence::kLikely;
            dateReason =
                "the dates also read as " +
                std::string(DateFormatName(candidates[0] == code ? candidates[1] : candidates[0])) +
                " (day and month are both 12 or less in every sampled row); in " +
                std::string(DateFormatName(code)) + " consecutive rows are days apart";
        } else {
            // Later: the header's language may say day first.
            code = 0;
            candidates = best;
        }
    }
    // The header row: the last line before the first dated one whose cells
    // name the most fields.
    long firstData = -1;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        bool any = false;
        for (int k = 1; k <= 12; ++k) {
            any = any || dateDays[i][static_cast<std::size_t>(k)] != 0;
        }
        if (any) {
            firstData = static_cast<long>(i);
            break;
        }
    }
    int headerLine = -1;
    int headerScore = 0;
    for (long i = 0; i < firstData; ++i) {
        int named = 0;
        for (const std::string& cell : sample[static_cast<std::size_t>(i)].fields) {
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
    std::vector<std::string> headerKeys;
    if (headerLine >= 0) {
        for (const std::string& cell : sample[static_cast<std::size_t>(headerLine)].fields) {
            result.columnNames.push_back(cell);
            headerKeys.push_back(HeaderKey(cell));
            if (DayFirstLanguage(headerKeys.back())) {
                dayFirst = true;
            }
        }
    }
    if (code == 0) {
        for (int preferred : PreferenceOrder(dayFirst)) {
            if (std::find(candidates.begin(), candidates.end(), preferred) != candidates.end()) {
                code = preferred;
                break;
            }
        }
        dateConfidence = Confidence::kGuess;
        std::string others;
        for (int candidate : candidates) {
            if (candidate != code) {
                others += std::string(others.empty() ? "" : ", ") +
                          std::string(DateFormatName(candidate));
            }
        }
        dateReason = "the sampled dates read as " + others + " too; " +
                     (dayFirst ? "the file's language or separators say day first"
                               : "taken as month first, the usual reading of such dates");
        result.warnings.push_back("The date layout is a guess: " + dateReason + ".");
    }
    s.dateFormat = std::string(DateFormatName(code));
    const auto codeIndex = static_cast<std::size_t>(code);

    // Which lines are price lines in this layout.
    std::vector<bool> isData(sample.size());
    long lastData = -1;
    long dataCount = 0;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        isData[i] = dateDays[i][codeIndex] != 0;
        if (isData[i]) {
            lastData = static_cast<long>(i);
            ++dataCount;
            if (!monthNames) {
                const std::string& t = sample[i].fields[static_cast<std::size_t>(dateColumn)];
                monthNames = std::any_of(t.begin(), t.end(), [](char c) {
                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                });
            }
        }
    }
    firstData = -1;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        if (isData[i]) {
            firstData = static_cast<long>(i);
            break;
        }
    }

    // Header rows and footer.
    const long skip = sample[static_cast<std::size_t>(firstData)].number - 1;
    s.skipOn = skip > 0 ? 1 : 0;
    s.skipRows = static_cast<int>(std::min<long>(skip, kMaxSkip));
    if (skip > kMaxSkip) {
        result.warnings.push_back("The first price line is line " + std::to_string(skip + 1) +
                                  "; only " + std::to_string(kMaxSkip) +
                                  " rows can be skipped, the lines in between will be skipped as "
                                  "lines without a date.");
    }
    if (headerLine >= 0 && sample[static_cast<std::size_t>(headerLine)].number < skip) {
        choose("header rows", std::to_string(skip), Confidence::kLikely,
               "the header is line " +
                   std::to_string(sample[static_cast<std::size_t>(headerLine)].number) +
                   "; the lines after it up to the first price line hold no date and go with it");
    } else {
        choose("header rows", std::to_string(skip), Confidence::kSure);
    }
    int footer = 0;
    for (std::size_t i = static_cast<std::size_t>(lastData) + 1; i < sample.size(); ++i) {
        if (!IsBlankLine(sample[i].text) &&
            std::any_of(sample[i].fields.begin(), sample[i].fields.end(),
                        [](const std::string& f) { return !f.empty(); })) {
            ++footer;
        }
    }
    // Lines after the last dated one are a footer only at the file's end.
    const bool sampleReachesEnd = sample.back().number == totalLines;
    if (!sampleReachesEnd) {
        footer = 0;
    }
    s.footerRows = footer;
    if (footer > 0) {
        choose("footer rows", std::to_string(footer), Confidence::kLikely,
               "the last " + Plural(footer, "line holds", "lines hold") + " no date");
    }
    choose("date column",
           ColumnText(dateColumn) +
               (headerLine >= 0 && static_cast<std::size_t>(dateColumn) < result.columnNames.size()
                    ? " (" + result.columnNames[static_cast<std::size_t>(dateColumn)] + ")"
                    : ""),
           columnHits[static_cast<std::size_t>(dateColumn)] == dataCount ? Confidence::kSure
                                                                         : Confidence::kLikely);
    choose("date format", s.dateFormat, dateConfidence, dateReason);
    s.monthNames = monthNames ? 1 : 0;
    if (monthNames) {
        choose("month names", "yes", Confidence::kSure);
    }

    // Order: newest first when the first price line's date is later than the last's.
    const std::uint16_t firstDay = dateDays[static_cast<std::size_t>(firstData)][codeIndex];
    const std::uint16_t lastDay = dateDays[static_cast<std::size_t>(lastData)][codeIndex];
    s.reverse = firstDay > lastDay ? 1 : 0;
    {
        long falls = 0;
        long rises = 0;
        std::uint16_t previous = 0;
        for (std::size_t i = 0; i < sample.size(); ++i) {
            const std::uint16_t day = dateDays[i][codeIndex];
            if (!isData[i]) {
                continue;
            }
            if (previous != 0) {
                falls += day < previous ? 1 : 0;
                rises += day > previous ? 1 : 0;
            }
            previous = day;
        }
        const long against = s.reverse != 0 ? rises : falls;
        choose("order", s.reverse != 0 ? "newest first (reverse)" : "oldest first",
               firstDay == lastDay ? Confidence::kGuess
               : against == 0      ? Confidence::kSure
                                   : Confidence::kLikely,
               firstDay == lastDay ? "the first and last price lines have the same date"
               : against == 0      ? std::string()
                                   : Plural(against, "pair of lines runs", "pairs of lines run") +
                                    " the other way");
        if (against > 0) {
            result.warnings.push_back("The dates are not in order: " +
                                      Plural(against, "pair of lines runs", "pairs of lines run") +
                                      " against the rest; the records keep the file's order.");
        }
    }

    // Values of the other columns on the price lines.
    std::vector<ColumnStats> stats(static_cast<std::size_t>(columnCount));
    int commaDecimals = 0;
    int pointDecimals = 0;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        if (!isData[i]) {
            continue;
        }
        for (int c = 0; c < columnCount; ++c) {
            ColumnStats& st = stats[static_cast<std::size_t>(c)];
            if (static_cast<std::size_t>(c) >= sample[i].fields.size()) {
                st.values.push_back(kNaN);
                ++st.empty;
                continue;
            }
            const std::string& text = sample[i].fields[static_cast<std::size_t>(c)];
            if (c != dateColumn) {
                VoteDecimal(text, commaDecimals, pointDecimals);
            }
            if (text.empty()) {
                st.values.push_back(kNaN);
                ++st.empty;
                continue;
            }
            st.values.push_back(kNaN);
        }
    }
    s.decimalComma = commaDecimals > pointDecimals ? 1 : 0;
    if (s.decimalComma != 0) {
        choose("decimal separator", "comma",
               pointDecimals == 0 ? Confidence::kSure : Confidence::kLikely);
    }
    // Now the numbers, read as the CSV reading will read them.
    for (int c = 0; c < columnCount; ++c) {
        ColumnStats& st = stats[static_cast<std::size_t>(c)];
        std::size_t k = 0;
        for (std::size_t i = 0; i < sample.size(); ++i) {
            if (!isData[i]) {
                continue;
            }
            if (static_cast<std::size_t>(c) < sample[i].fields.size()) {
                const auto value = ReadCsvNumber(sample[i].fields[static_cast<std::size_t>(c)],
                                                 s.decimalComma != 0);
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
    auto mostlyNumeric = [&](int c) {
        const ColumnStats& st = stats[static_cast<std::size_t>(c)];
        return c != dateColumn && st.numeric * 2 > static_cast<int>(dataCount);
    };

    // Fields: from the header's names first.
    std::array<int, kFieldSlots> column;
    column.fill(kNoColumn);
    column[kSlotDate] = dateColumn;
    std::array<Confidence, kFieldSlots> fieldConfidence;
    fieldConfidence.fill(Confidence::kSure);
    std::array<std::string, kFieldSlots> fieldReason;
    if (!headerKeys.empty()) {
        std::array<int, kFieldSlots> rank;
        rank.fill(1000);
        for (std::size_t c = 0; c < headerKeys.size() && static_cast<int>(c) < columnCount; ++c) {
            const auto [slot, r] = SlotOfName(headerKeys[c]);
            if (slot <= kSlotDate || slot >= kFieldSlots) {
                continue;
            }
            if (!mostlyNumeric(static_cast<int>(c))) {
                continue;  // a named column without numbers, such as CHRIS's empty "Last"
            }
            if (r < rank[static_cast<std::size_t>(slot)]) {
                rank[static_cast<std::size_t>(slot)] = r;
                column[static_cast<std::size_t>(slot)] = static_cast<int>(c);
            }
        }
        if (column[kSlotClose] != kNoColumn && rank[kSlotClose] > 0) {
            fieldConfidence[kSlotClose] = Confidence::kLikely;
            fieldReason[kSlotClose] =
                "no column is named Close; \"" +
                result.columnNames[static_cast<std::size_t>(column[kSlotClose])] +
                "\" is taken as the close";
        }
    }
    const bool fromHeader = column[kSlotClose] != kNoColumn;
    if (!fromHeader) {
        // From the values: the price columns are the numeric ones whose
        // values stay within a factor of two of each other on each line;
        // the high is never below, the low never above the others.
        std::vector<int> numeric;
        for (int c = 0; c < columnCount; ++c) {
            if (mostlyNumeric(c)) {
                numeric.push_back(c);
            }
        }
        auto similar = [&](int a, int b) {
            const auto& va = stats[static_cast<std::size_t>(a)].values;
            const auto& vb = stats[static_cast<std::size_t>(b)].values;
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
        };
        std::vector<int> prices;
        for (int c : numeric) {
            std::vector<int> group{c};
            for (int d : numeric) {
                if (d != c && similar(c, d)) {
                    group.push_back(d);
                }
            }
            if (group.size() > prices.size()) {
                std::sort(group.begin(), group.end());
                prices = group;
            }
        }
        if (prices.empty()) {
            result.whyNot = "No column next to the dates holds prices (numbers on most lines).";
            return result;
        }
        auto extreme = [&](bool high) {
            for (int c : prices) {
                const auto& vc = stats[static_cast<std::size_t>(c)].values;
                bool always = true;
                for (int d : prices) {
                    const auto& vd = stats[static_cast<std::size_t>(d)].values;
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
        };
        std::vector<int> rest = prices;
        if (prices.size() >= 3) {
            const int high = extreme(true);
            const int low = extreme(false);
            if (high != kNoColumn && low != kNoColumn && high != low) {
                column[kSlotHigh] = high;
                column[kSlotLow] = low;
                rest.erase(std::remove(rest.begin(), rest.end(), high), rest.end());
                rest.erase(std::remove(rest.begin(), rest.end(), low), rest.end());
            }
        }
        if (column[kSlotHigh] == kNoColumn && prices.size() >= 4) {
            // The usual order, open, high, low, close.
            column[kSlotOpen] = prices[0];
            column[kSlotHigh] = prices[1];
            column[kSlotLow] = prices[2];
            column[kSlotClose] = prices[3];
            for (int slot : {kSlotOpen, kSlotHigh, kSlotLow, kSlotClose}) {
                fieldConfidence[static_cast<std::size_t>(slot)] = Confidence::kGuess;
                fieldReason[static_cast<std::size_t>(slot)] =
                    "no header names the columns and the values do not tell; taken in the usual "
                    "order open, high, low, close";
            }
        } else if (rest.size() >= 2) {
            column[kSlotOpen] = rest[0];
            column[kSlotClose] = rest[1];
            for (int slot : {kSlotOpen, kSlotClose}) {
                fieldConfidence[static_cast<std::size_t>(slot)] = Confidence::kGuess;
                fieldReason[static_cast<std::size_t>(slot)] =
                    std::string(
                        "no header names the columns; of the two prices between high "
                        "and low the ") +
                    (slot == kSlotOpen ? "first" : "second") + " is taken as the " +
                    (slot == kSlotOpen ? "open" : "close");
            }
            for (int slot : {kSlotHigh, kSlotLow}) {
                fieldConfidence[static_cast<std::size_t>(slot)] = Confidence::kLikely;
                fieldReason[static_cast<std::size_t>(slot)] =
                    std::string("no header; the column is never ") +
                    (slot == kSlotHigh ? "below" : "above") + " the other prices";
            }
        } else if (!rest.empty()) {
            column[kSlotClose] = rest[0];
            fieldConfidence[kSlotClose] = Confidence::kGuess;
            fieldReason[kSlotClose] = "no header; the only price column left is taken as the close";
        }
        // Volume: the first column of non-negative whole numbers that is
        // no price, right of the first price.
        for (int c : numeric) {
            if (c < prices.front() || std::find(prices.begin(), prices.end(), c) != prices.end()) {
                continue;
            }
            const ColumnStats& st = stats[static_cast<std::size_t>(c)];
            if (st.negative == 0 && st.integral * 10 >= st.numeric * 9) {
                column[kSlotVolume] = c;
                fieldConfidence[kSlotVolume] = Confidence::kLikely;
                fieldReason[kSlotVolume] =
                    "no header; the first column of whole numbers that are no prices";
                break;
            }
        }
        std::string unused;
        for (int c : numeric) {
            if (std::find(column.begin(), column.end(), c) == column.end()) {
                unused += std::string(unused.empty() ? "" : ", ") + std::to_string(c + 1);
            }
        }
        if (!unused.empty()) {
            result.warnings.push_back("Column(s) " + unused +
                                      " hold numbers of unknown meaning and are not converted.");
        }
    }

    s.fieldOn = {1, 0, 0, 0, 1, 0, 0};
    for (std::size_t slot = 0; slot < kFieldSlots; ++slot) {
        if (column[slot] != kNoColumn) {
            s.fieldOn[slot] = 1;
            s.fieldCol[slot] = column[slot] + 1;
        }
    }
    static constexpr std::array<const char*, kFieldSlots> kNames = {
        "date", "open", "high", "low", "close", "volume", "open interest"};
    for (std::size_t slot = 1; slot < kFieldSlots; ++slot) {
        std::string value = "none";
        if (s.fieldOn[slot] != 0) {
            value = ColumnText(column[slot]);
            if (static_cast<std::size_t>(column[slot]) < result.columnNames.size()) {
                value += " (" + result.columnNames[static_cast<std::size_t>(column[slot])] + ")";
            }
        }
        choose(std::string(kNames[slot]) + " column", value,
               s.fieldOn[slot] != 0 ? fieldConfidence[slot]
                                    : (fromHeader ? Confidence::kSure : Confidence::kLikely),
               fieldReason[slot]);
    }

    // Plausibility of the chosen prices.
    if (s.fieldOn[kSlotHigh] != 0 && s.fieldOn[kSlotLow] != 0) {
        const auto& hi = stats[static_cast<std::size_t>(column[kSlotHigh])].values;
        const auto& lo = stats[static_cast<std::size_t>(column[kSlotLow])].values;
        int wrong = 0;
        for (std::size_t k = 0; k < hi.size(); ++k) {
            wrong += (!std::isnan(hi[k]) && !std::isnan(lo[k]) && hi[k] < lo[k]) ? 1 : 0;
        }
        if (wrong > 0) {
            result.warnings.push_back("On " + Plural(wrong, "sampled line", "sampled lines") +
                                      " the high is below the low.");
        }
    }

    // Reading: the classic splitting where it reads every sampled line as
    // the CSV reading does, CSV reading otherwise.
    const int dateCode = code;
    ImportSettings classic = s;
    classic.csv = 0;
    classic.decimalComma = 0;
    ImportSettings csv = s;
    csv.csv = 1;
    const LineLayout classicLayout = LayoutOf(classic, dateCode);
    const LineLayout csvLayout = LayoutOf(csv, dateCode);
    bool classicWorks = s.decimalComma == 0;
    std::string csvReason;
    bool first = true;
    long emptyValues = 0;
    long undated = 0;
    long firstUndated = 0;
    long missing = 0;
    long firstMissing = 0;
    for (std::size_t i = static_cast<std::size_t>(firstData); i < sample.size(); ++i) {
        if (static_cast<long>(i) > lastData) {
            break;
        }
        const PriceLine a = ReadPriceLine(sample[i].text, csvLayout);
        if (a.kind == LineKind::kNoDate || a.kind == LineKind::kNoPrice) {
            if (undated++ == 0) {
                firstUndated = sample[i].number;
            }
        }
        if (a.kind == LineKind::kRecord && a.missingColumns && missing++ == 0) {
            firstMissing = sample[i].number;
        }
        if (a.kind == LineKind::kRecord) {
            for (std::size_t slot = 1; slot < kFieldSlots; ++slot) {
                if (s.fieldOn[slot] != 0 &&
                    static_cast<std::size_t>(column[slot]) < sample[i].fields.size() &&
                    sample[i].fields[static_cast<std::size_t>(column[slot])].empty()) {
                    ++emptyValues;
                    break;
                }
            }
        }
        if (!classicWorks) {
            continue;
        }
        const PriceLine b = ReadPriceLine(sample[i].text, classicLayout);
        if (a.kind != b.kind || a.day != b.day || a.values != b.values) {
            classicWorks = false;
            csvReason = "line " + std::to_string(sample[i].number) +
                        " needs it (quotes, empty fields, separators in numbers or a time after "
                        "the date)";
        }
        if (first && b.kind != LineKind::kEmpty) {
            first = false;
            // The classic reading checks the first date's characters.
            const bool digitsOnly =
                std::all_of(b.dateText.begin(), b.dateText.end(), IsDigit) && !b.dateText.empty();
            if ((dateCode > 6 && !digitsOnly && b.monthNameResult == 0) ||
                (dateCode < 7 && digitsOnly)) {
                classicWorks = false;
                csvReason = "the first date needs it";
            }
        }
    }
    if (s.decimalComma != 0) {
        csvReason = "the numbers have a decimal comma";
    }
    s.csv = classicWorks ? 0 : 1;
    if (s.csv == 0) {
        s.decimalComma = 0;
    }
    choose("reading", s.csv != 0 ? "CSV" : "plain", Confidence::kSure, csvReason);
    if (s.reverse != 0) {
        result.warnings.push_back(
            "The file lists the newest day first: converting rewrites it oldest first and keeps "
            "the original as a .BAK file beside it.");
    }
    if (undated > 0) {
        result.warnings.push_back(Plural(undated, "sampled line", "sampled lines") +
                                  " between the first and the last price line will be skipped: "
                                  "no date in this layout, or no price (first: line " +
                                  std::to_string(firstUndated) + ").");
    }
    if (missing > 0) {
        result.warnings.push_back(Plural(missing, "sampled line lacks", "sampled lines lack") +
                                  " columns; the missing fields are stored as 0 (first: line " +
                                  std::to_string(firstMissing) + ").");
    }
    if (emptyValues > 0) {
        result.warnings.push_back(Plural(emptyValues, "sampled line has", "sampled lines have") +
                                  " empty price fields; they are stored as 0.");
    }
    if (totalLines - skip > kMaxPriceRecords) {
        result.warnings.push_back("The file has more lines than a data file can hold (" +
                                  std::to_string(kMaxPriceRecords) +
                                  "); the conversion will stop there.");
    }
    result.convertible = true;
    return result;
}

std::vector<PreviewRow> PreviewLines(const std::string& path, const ImportSettings& settings,
                                     std::size_t count) {
    std::vector<PreviewRow> rows;
    const int code = DateFormatFromName(settings.dateFormat);
    const LineLayout layout = LayoutOf(settings, code);
    TextReader reader;
    if (!reader.Open(path)) {
        return rows;
    }
    const long skip = settings.skipOn != 0 ? settings.skipRows : 0;
    const std::size_t footer = static_cast<std::size_t>(std::max(0, settings.footerRows));
    // Rows in file order: the first count + footer of them, or for a
    // newest-first file the last ones; the footer is known only at the end.
    std::deque<PreviewRow> window;
    std::size_t seen = 0;
    std::string line;
    long number = 0;
    while (reader.ReadLine(line)) {
        ++number;
        if (number <= skip) {
            continue;
        }
        StripLineEnd(line);
        const PriceLine read = ReadPriceLine(line, layout);
        if (read.kind == LineKind::kEmpty) {
            continue;
        }
        ++seen;
        PreviewRow row;
        row.line = number;
        row.kind = read.kind;
        row.date = MbfToFloat(DayNumberToStoredDate(read.day));
        row.values = read.values;
        row.missingColumns = read.missingColumns;
        if (settings.reverse != 0) {
            window.push_back(row);
            if (window.size() > count + footer) {
                window.pop_front();
            }
        } else if (window.size() < count + footer) {
            window.push_back(row);
        }
    }
    reader.Close();
    // Drop the footer lines that made it into the window.
    const std::size_t firstFooter = seen - std::min(footer, seen);
    const std::size_t windowStart = settings.reverse != 0 ? seen - window.size() : 0;
    while (!window.empty() && windowStart + window.size() > firstFooter) {
        window.pop_back();
    }
    rows.assign(window.begin(), window.end());
    if (settings.reverse != 0) {
        std::reverse(rows.begin(), rows.end());
    }
    if (rows.size() > count) {
        rows.resize(count);
    }
    return rows;
}

}  // namespace torvan
