// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ImportSettings.h"

#include <filesystem>
#include <system_error>

#include "database/Dates.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"
#include "platform/Text.h"
#include "settings/ProfileStore.h"

namespace torvan {
namespace {

constexpr const char* kSection = "Import";

SettingsProblem Problem(Setting setting, MessageId id, std::vector<std::string> params = {}) {
    return SettingsProblem{setting, MakeMessage(id, std::move(params))};
}

std::optional<SettingsProblem> CheckRange(Setting setting, int value, int low, int high) {
    if (value >= low && value <= high) {
        return std::nullopt;
    }
    return Problem(setting, MessageId::kIntegerOutOfRange,
                   {std::to_string(low), std::to_string(high)});
}

std::optional<SettingsProblem> CheckLength(Setting setting, const std::string& text,
                                           std::size_t limit) {
    if (text.size() <= limit) {
        return std::nullopt;
    }
    return Problem(setting, MessageId::kTextTooLong, {std::to_string(limit)});
}

// A ticker column is a column of its own. Reversing would rewrite the one
// input of many securities for each of them.
std::optional<SettingsProblem> CheckTickerColumn(const ImportSettings& settings) {
    if (settings.tickerCol == 0) {
        return std::nullopt;
    }
    if (auto problem =
            CheckRange(Setting::kTickerCol, settings.tickerCol, kMinColumn, kMaxColumn)) {
        return problem;
    }
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        const bool on = s == kSlotDate || s == kSlotClose || settings.fieldOn[s] != 0;
        if (on && settings.fieldCol[s] == settings.tickerCol) {
            return Problem(Setting::kTickerCol, MessageId::kDuplicateColumns);
        }
    }
    if (settings.reverse != 0) {
        return Problem(Setting::kReverse, MessageId::kReverseWithTickerColumn);
    }
    return std::nullopt;
}

}  // namespace

char DelimiterChar(int delimiter) {
    switch (delimiter) {
        case 1:
            return '\t';
        case 2:
            return ' ';
        case 3:
            return ';';
        default:
            return ',';
    }
}

Setting ColumnSetting(int slot) {
    static constexpr std::array<Setting, kFieldSlots> kColumns = {
        Setting::kDateCol, Setting::kOpenCol, Setting::kHiCol, Setting::kLoCol,
        Setting::kCloCol,  Setting::kVolCol,  Setting::kOICol};
    return slot >= 0 && slot < kFieldSlots ? kColumns[static_cast<std::size_t>(slot)]
                                           : Setting::kNone;
}

const std::array<const char*, 12>& DateFormatList() {
    return DateFormatNames();
}

int DateFormatCode(const std::string& text) {
    return DateFormatFromPrefix(text);
}

std::optional<SettingsProblem> CheckExchange(const ImportSettings& settings,
                                             const std::string& inputPath, std::size_t nameLimit) {
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        if (auto problem =
                CheckRange(ColumnSetting(slot), settings.fieldCol[static_cast<std::size_t>(slot)],
                           kMinColumn, kMaxColumn)) {
            return problem;
        }
    }
    if (auto problem = CheckLength(Setting::kName, settings.name, nameLimit)) {
        return problem;
    }
    if (auto problem = CheckLength(Setting::kPathOut, settings.pathOut, kMaxPathLength)) {
        return problem;
    }
    if (auto problem = CheckLength(Setting::kSymbol, settings.symbol, kMaxSymbolLength)) {
        return problem;
    }
    if (auto problem = CheckRange(Setting::kSkipRows, settings.skipRows, 0, kMaxSkipRows)) {
        return problem;
    }
    if (auto problem =
            CheckLength(Setting::kDateFormat, settings.dateFormat, kMaxDateFormatLength)) {
        return problem;
    }
    if (auto problem = CheckRange(Setting::kFooterRows, settings.footerRows, 0, kMaxSkipRows)) {
        return problem;
    }
    if (inputPath.size() > kMaxPathLength) {
        return Problem(Setting::kInputPath, MessageId::kInputPathTooLong,
                       {std::to_string(kMaxPathLength), inputPath});
    }
    return std::nullopt;
}

std::optional<SettingsProblem> CheckForConversion(ImportSettings& settings) {
    // Date and close first, then the switched-on fields in slot order.
    static constexpr std::array<int, kFieldSlots> kVisit = {
        kSlotDate, kSlotClose, kSlotOpen, kSlotHigh, kSlotLow, kSlotVolume, kSlotOpenInterest};
    std::array<bool, kMaxColumn + 1> used{};
    Setting duplicate = Setting::kNone;
    for (int slot : kVisit) {
        const auto s = static_cast<std::size_t>(slot);
        if (slot != kSlotDate && slot != kSlotClose && settings.fieldOn[s] == 0) {
            continue;
        }
        const int column = settings.fieldCol[s];
        if (column < kMinColumn || column > kMaxColumn) {
            continue;  // the exchange checks report it
        }
        if (used[static_cast<std::size_t>(column)] && duplicate == Setting::kNone) {
            duplicate = ColumnSetting(slot);
        }
        used[static_cast<std::size_t>(column)] = true;
    }
    if (duplicate != Setting::kNone) {
        return Problem(duplicate, MessageId::kDuplicateColumns);
    }
    settings.symbol = ToUpperAscii(std::string(TrimRight(settings.symbol)));
    // A tab or line end would be stored in the index and break every line
    // that lists the security.
    if (settings.symbol.empty() || HasControlCharacter(settings.symbol)) {
        return Problem(Setting::kSymbol, MessageId::kInvalidSymbol);
    }
    if (TrimRight(settings.pathOut).empty()) {
        return Problem(Setting::kPathOut, MessageId::kEnterPath);
    }
    // Refused here rather than by the job, which would take text it cannot
    // read as a format for lines without dates.
    if (DateFormatCode(settings.dateFormat) == kFormatNone || settings.dateFormat.empty()) {
        std::string list;
        for (const char* name : DateFormatList()) {
            list += list.empty() ? "" : ", ";
            list += name;
        }
        return Problem(Setting::kDateFormat, MessageId::kUnknownDateFormat,
                       {settings.dateFormat, list});
    }
    return std::nullopt;
}

std::optional<SettingsProblem> CheckForRun(ImportSettings& settings, const std::string& inputPath,
                                           int& dateCode, std::size_t nameLimit) {
    if (auto problem = CheckExchange(settings, inputPath, nameLimit)) {
        return problem;
    }
    if (auto problem = CheckForConversion(settings)) {
        return problem;
    }
    dateCode = DateFormatCode(settings.dateFormat);
    if (settings.decimalComma != 0 && settings.csv == 0) {
        return Problem(Setting::kDecimalComma, MessageId::kDecimalCommaWithoutCsv);
    }
    if (auto problem = CheckTickerColumn(settings)) {
        return problem;
    }
    // The job would enter the security before it found the input missing.
    if (!IsReadableFile(inputPath)) {
        // A device or pipe may never end: it is refused by name.
        std::error_code error;
        const auto type = std::filesystem::status(inputPath, error).type();
        const bool special = !error && type != std::filesystem::file_type::regular &&
                             type != std::filesystem::file_type::directory &&
                             type != std::filesystem::file_type::not_found;
        return Problem(Setting::kInputPath,
                       special ? MessageId::kInputNotAFile : MessageId::kCannotOpenInputFile,
                       {inputPath});
    }
    return std::nullopt;
}

void ImportSettings::Load(const CProfileStore& store) {
    const ImportSettings defaults;
    dateFormat = store.GetString(kSection, "DateFormat", defaults.dateFormat);
    newMaster = store.GetInt(kSection, "Exist", defaults.newMaster);
    delimiter = store.GetInt(kSection, "Delimiter", defaults.delimiter);
    pathOut = store.GetString(kSection, "PathOut", defaults.pathOut);
    symbol = store.GetString(kSection, "Symbol", defaults.symbol);
    name = store.GetString(kSection, "Name", defaults.name);
    reverse = store.GetInt(kSection, "Reverse", defaults.reverse);
    skipOn = store.GetInt(kSection, "SkipOn", defaults.skipOn);
    skipRows = store.GetInt(kSection, "SkipRows", defaults.skipRows);
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        fieldCol[s] = store.GetInt(kSection, kFieldColEntries[s], defaults.fieldCol[s]);
        if (kFieldOnEntries[s] != nullptr) {
            fieldOn[s] = store.GetInt(kSection, kFieldOnEntries[s], defaults.fieldOn[s]);
        }
    }
    monthNames = store.GetInt(kSection, "JAN", defaults.monthNames);
    csv = store.GetInt(kSection, "Csv", defaults.csv);
    decimalComma = store.GetInt(kSection, "DecimalComma", defaults.decimalComma);
    footerRows = store.GetInt(kSection, "FooterRows", defaults.footerRows);
}

void ImportSettings::LoadForDialog(const CProfileStore& store) {
    Load(store);
    if (pathOut.empty() && store.GetInt("Newbie", "Newbie2", 1) != 0) {
        pathOut = CurrentDirectory();
    }
}

void ImportSettings::SaveConfirmed(CProfileStore& store) const {
    CProfileBatch batch(store);
    batch.WriteInt("Newbie", "Newbie2", 0);
    Save(batch);
    batch.Commit();
}

void ImportSettings::Save(CProfileStore& store) const {
    CProfileBatch batch(store);
    Save(batch);
    batch.Commit();
}

void ImportSettings::Save(CProfileBatch& batch) const {
    batch.WriteString(kSection, "DateFormat", dateFormat);
    batch.WriteInt(kSection, "Delimiter", delimiter);
    batch.WriteInt(kSection, "Exist", newMaster);
    batch.WriteInt(kSection, "Reverse", reverse);
    batch.WriteInt(kSection, "SkipOn", skipOn);
    batch.WriteInt(kSection, "SkipRows", skipRows);
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (s == kSlotClose) {
            batch.WriteInt(kSection, kFieldColEntries[s], fieldCol[s]);
            continue;
        }
        if (kFieldOnEntries[s] != nullptr) {
            batch.WriteInt(kSection, kFieldOnEntries[s], fieldOn[s]);
        }
        batch.WriteInt(kSection, kFieldColEntries[s], fieldCol[s]);
    }
    batch.WriteInt(kSection, "JAN", monthNames);
    batch.WriteInt(kSection, "Csv", csv);
    batch.WriteInt(kSection, "DecimalComma", decimalComma);
    batch.WriteInt(kSection, "FooterRows", footerRows);
}

void ImportSettings::ApplyTo(CConverter& job, const std::string& inputPath, int dateCode) const {
    job.m_strInputPath = inputPath;
    job.m_nDateFormat = dateCode;
    job.m_szPathOut = pathOut;
    job.m_szSymbol = symbol;
    job.m_szName = name;
    job.m_szDelimiter = std::string(1, DelimiterChar(delimiter));
    job.m_bReverse = reverse;
    job.m_bSkipRows = skipOn;
    job.m_nSkipRows = skipRows;
    job.m_bExistingMaster = newMaster == 0 ? 1 : 0;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        job.m_bFieldOn[s] = (s == kSlotDate || s == kSlotClose) ? 1 : fieldOn[s];
        job.m_nFieldCol[s] = fieldCol[s] - 1;
    }
    job.m_bMonthNames = monthNames;
    job.m_bCsv = csv != 0 ? 1 : 0;
    job.m_bDecimalComma = decimalComma != 0 ? 1 : 0;
    job.m_nFooterRows = footerRows > 0 ? footerRows : 0;
    // Without a ticker to read the column means nothing to the job.
    job.m_nTickerCol = ticker.empty() ? -1 : tickerCol - 1;
    job.m_szTicker = ticker;
}

}  // namespace torvan
