// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/Converter.h"
#include "platform/Message.h"

namespace torvan {

class CProfileBatch;
class CProfileStore;

// The conversion settings of profile section "Import", with their defaults.
// Columns are 1-based here, as the user counts them.
struct ImportSettings {
    std::string dateFormat = "MMDDYY";
    int newMaster = 0;  // 1: make a new MASTER, 0: add to the existing one ("Exist")
    int delimiter = 0;  // 0 comma, 1 tab, 2 space, 3 semicolon
    std::string pathOut;
    std::string symbol;
    std::string name;
    int reverse = 0;
    int skipOn = 0;
    int skipRows = 0;
    // By field slot; the date and close are always on.
    std::array<int, kFieldSlots> fieldOn = {1, 1, 1, 1, 1, 1, 1};
    std::array<int, kFieldSlots> fieldCol = {1, 2, 3, 4, 5, 6, 7};
    int monthNames = 0;
    // Reading options beyond the basic ones, all off by default so that
    // saved settings read as they always did.
    int csv = 0;           // CSV reading: quotes, empty fields, separators in numbers
    int decimalComma = 0;  // CSV reading: numbers use a decimal comma
    int footerRows = 0;    // trailing lines that are no price lines (a source note)
    // A file that holds many securities: the column of their tickers (0 for
    // none) and the ticker whose lines a job reads. Not saved: a job reads
    // the ticker column only once a ticker is set (see TickerJobs.h).
    int tickerCol = 0;
    std::string ticker;

    // Reads every entry, each with its default.
    void Load(const CProfileStore& store);
    // Load, then the first-run rule of the settings dialog: an empty
    // "PathOut" becomes the current working directory while
    // "Newbie"/"Newbie2" (default 1) is non-zero.
    void LoadForDialog(const CProfileStore& store);
    // What a confirmed settings dialog writes: "Newbie2" = 0, then Save,
    // all with one replacement of the profile file.
    void SaveConfirmed(CProfileStore& store) const;
    // Writes the entries the settings dialog writes on OK ("PathOut",
    // "Symbol" and "Name" are written by the job itself once it passed its
    // checks), with one replacement of the profile file.
    void Save(CProfileStore& store) const;
    // The same entries into a batch, to be stored with others.
    void Save(CProfileBatch& batch) const;

    // Fills a job with these settings. dateCode is the format's position in
    // the list (1..12), or 0 when none is chosen.
    void ApplyTo(CConverter& job, const std::string& inputPath, int dateCode) const;
};

// The delimiter character of a "Delimiter" value: tab, blank, semicolon, or
// the comma for any other value.
char DelimiterChar(int delimiter);
// Limits of the settings, as the settings dialog enforces them.
inline constexpr int kMinColumn = 1;
inline constexpr int kMaxColumn = kMaxColumns;
inline constexpr int kMaxSkipRows = 200;
inline constexpr std::size_t kMaxSymbolLength = 16;
inline constexpr std::size_t kMaxNameLength = 16;
inline constexpr std::size_t kMaxPathLength = 250;
inline constexpr std::size_t kMaxDateFormatLength = 12;

// The settings a check can find wrong: the settings dialog puts the focus
// on its control, torvan-cli names its option.
enum class Setting {
    kNone,
    kDateCol,
    kOpenCol,
    kHiCol,
    kLoCol,
    kCloCol,
    kVolCol,
    kOICol,
    kNewMaster,
    kName,
    kPathOut,
    kSymbol,
    kSkipRows,
    kSkipOn,
    kDelimiter,
    kDateFormat,
    kInputPath,
    kReverse,
    kMonthNames,
    kFooterRows,
    kDecimalComma,
    kTickerCol,
};

// The column setting of a field slot (kDateCol .. kOICol).
Setting ColumnSetting(int slot);

struct SettingsProblem {
    Setting setting = Setting::kNone;
    Message message;
};

// The range and length checks of the settings dialog's data exchange, in its
// order: the seven columns (1..20, switched-off fields too), the name, the
// output directory, the symbol, the skip count (0..200), the date format text,
// the footer rows (0..200) and the input path. The first failure is returned.
std::optional<SettingsProblem> CheckExchange(const ImportSettings& settings,
                                             const std::string& inputPath,
                                             std::size_t nameLimit = kMaxNameLength);

// The checks of the dialog's OK after the exchange: no column used twice by
// the date, the close and the switched-on fields; the symbol without trailing
// white space, upper-cased (leading blanks kept) and not empty; an output
// directory that is not blank; a date format from the list. Leaves the
// symbol as it will be used.
std::optional<SettingsProblem> CheckForConversion(ImportSettings& settings);

// Everything a conversion started without the dialog must pass: the
// exchange checks, the OK checks, a date format that is a list entry or the
// beginning of one (dateCode gets its position), a ticker column (if any)
// in range, on a column of its own and without reversal, and an input that
// is a readable file. The symbol is left as it will be used.
std::optional<SettingsProblem> CheckForRun(ImportSettings& settings, const std::string& inputPath,
                                           int& dateCode, std::size_t nameLimit = kMaxNameLength);

// Position 1..12 of the first date format list entry that begins with text,
// ignoring case; 0 when none does.
int DateFormatCode(const std::string& text);
// The twelve entries of the date format list, in list order.
const std::array<const char*, 12>& DateFormatList();

// Profile entry names of the optional fields and the columns, by slot.
inline constexpr std::array<const char*, kFieldSlots> kFieldOnEntries = {
    nullptr, "OpenOn", "HiOn", "LoOn", nullptr, "VolOn", "OIOn"};
inline constexpr std::array<const char*, kFieldSlots> kFieldColEntries = {
    "DateCol", "OpenCol", "HiCol", "LoCol", "CloCol", "VolCol", "OICol"};

}  // namespace torvan
