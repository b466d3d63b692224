#include "cli/Convert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <iostream>

#include "cli/Output.h"
#include "database/DataFile.h"
#include "database/Dates.h"
#include "engine/Converter.h"
#include "platform/FileSystem.h"
#include "settings/Detect.h"
#include "settings/ProfileStore.h"

namespace torvan::cli {
namespace {

constexpr const char* kProfileKey = "Software\\Quennel\\Torvan";
constexpr std::size_t kMaxTextField = 16;
constexpr int kMaxSkipRows = 200;

// Names of the field slots in --columns, in slot order.
constexpr std::array<const char*, kFieldSlots> kColumnNames = {"date",  "open", "high", "low",
                                                               "close", "vol",  "oi"};

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string DateFormatList() {
    std::string list;
    for (int code = kYY_MM_DD; code <= kDDMMCCYY; ++code) {
        list += list.empty() ? "" : ", ";
        list += DateFormatName(code);
    }
    return list;
}

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Slot of a --columns field name; -1 when there is none.
int SlotOfName(const std::string& name) {
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        if (Lower(name) == kColumnNames[static_cast<std::size_t>(slot)]) {
            return slot;
        }
    }
    return -1;
}

// "date=1,open=2,...": the fields named are present at those columns, the
// others absent (their stored column is kept, as the dialog keeps the
// column of a switched-off field).
std::optional<std::string> ApplyColumns(const std::string& text, ImportSettings& settings) {
    std::array<int, kFieldSlots> on{};
    std::array<int, kFieldSlots> column = settings.fieldCol;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string item;
        for (char c : text.substr(start, end - start)) {
            if (c != ' ') {
                item += c;
            }
        }
        start = end + 1;
        const std::size_t eq = item.find('=');
        const int slot = SlotOfName(item.substr(0, eq));
        if (eq == std::string::npos || slot < 0) {
            return "--columns: \"" + item +
                   "\" is not FIELD=COLUMN with FIELD one of date, open, high, low, close, vol, oi";
        }
        const auto s = static_cast<std::size_t>(slot);
        if (on[s] != 0) {
            return "--columns: the " + item.substr(0, eq) + " column is given twice";
        }
        const auto number = ParseInt(item.substr(eq + 1));
        if (!number || *number < 1 || *number > kMaxColumns) {
            return "--columns: the column of " + item.substr(0, eq) +
                   " must be a number from 1 to " + std::to_string(kMaxColumns);
        }
        on[s] = 1;
        column[s] = *number;
    }
    if (on[kSlotDate] == 0 || on[kSlotClose] == 0) {
        return "--columns must give the date and close columns (e.g. date=1,close=5)";
    }
    settings.fieldOn = on;
    settings.fieldCol = column;
    return std::nullopt;
}

std::string TrimTrailingWhite(std::string text) {
    while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) {
        text.pop_back();
    }
    return text;
}

// The price records a data file's header counts, or nothing when it cannot
// be read.
std::optional<int> CountedRecords(const std::string& directory, int fileNumber) {
    auto path = FindFileNoCase(directory, "F" + std::to_string(fileNumber) + ".DAT");
    const auto count = path ? ReadRecordCount(*path) : std::nullopt;
    if (!count || *count == 0) {
        return std::nullopt;
    }
    return *count - 1;
}

}  // namespace

std::optional<std::string> ApplyRequest(const ConvertRequest& request, ImportSettings& settings) {
    if (request.database) {
        settings.pathOut = *request.database;
    }
    if (request.symbol) {
        settings.symbol = *request.symbol;
    }
    if (request.name) {
        settings.name = *request.name;
    }
    if (request.newMaster) {
        settings.exist = *request.newMaster ? 1 : 0;
    }
    if (request.delimiter) {
        static constexpr std::array<const char*, 4> kDelimiters = {"comma", "tab", "space",
                                                                   "semicolon"};
        const auto found =
            std::find(kDelimiters.begin(), kDelimiters.end(), Lower(*request.delimiter));
        if (found == kDelimiters.end()) {
            return "--delimiter must be comma, tab, space or semicolon, not \"" +
                   *request.delimiter + "\"";
        }
        settings.delimiter = static_cast<int>(found - kDelimiters.begin());
    }
    if (request.dateFormat) {
        const int code = DateFormatFromName(*request.dateFormat);
        if (code == kFormatNone) {
            return "--date-format \"" + *request.dateFormat + "\" is not one of " +
                   DateFormatList();
        }
        settings.dateFormat = std::string(DateFormatName(code));
    }
    if (request.columns) {
        if (auto error = ApplyColumns(*request.columns, settings)) {
            return error;
        }
    }
    if (request.skipRows) {
        settings.skipOn = 1;
        settings.skipRows = *request.skipRows;
    }
    if (request.reverse) {
        settings.reverse = *request.reverse ? 1 : 0;
    }
    if (request.monthNames) {
        settings.monthNames = *request.monthNames ? 1 : 0;
    }
    if (request.csv) {
        settings.csv = *request.csv ? 1 : 0;
    }
    if (request.decimalComma) {
        settings.decimalComma = *request.decimalComma ? 1 : 0;
    }
    if (request.footerRows) {
        settings.footerRows = *request.footerRows;
    }
    return std::nullopt;
}

std::optional<std::string> CheckSettings(ImportSettings& settings, int& dateCode) {
    // Only present fields are read, so only their columns have to be usable.
    std::array<bool, kMaxColumns + 1> used{};
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        const bool present = s == kSlotDate || s == kSlotClose || settings.fieldOn[s] != 0;
        if (!present) {
            continue;
        }
        const int column = settings.fieldCol[s];
        if (column < 1 || column > kMaxColumns) {
            return "The " + std::string(kColumnNames[s]) + " column must be from 1 to " +
                   std::to_string(kMaxColumns) + ", not " + std::to_string(column);
        }
        if (used[static_cast<std::size_t>(column)]) {
            return "Column numbers must be unique";
        }
        used[static_cast<std::size_t>(column)] = true;
    }

    settings.symbol = Upper(TrimTrailingWhite(settings.symbol));
    if (settings.symbol.empty()) {
        return "You must enter a symbol name";
    }
    if (settings.symbol.size() > kMaxTextField) {
        return "The symbol \"" + settings.symbol + "\" is longer than " +
               std::to_string(kMaxTextField) + " characters";
    }
    if (settings.name.size() > kMaxTextField) {
        return "The name \"" + settings.name + "\" is longer than " +
               std::to_string(kMaxTextField) + " characters";
    }
    if (TrimTrailingWhite(settings.pathOut).empty()) {
        return "You must give the database directory (--db DIR)";
    }
    dateCode = DateFormatFromName(settings.dateFormat);
    if (dateCode == kFormatNone) {
        return "The date format \"" + settings.dateFormat + "\" is not one of " + DateFormatList();
    }
    if (settings.skipOn != 0 && (settings.skipRows < 0 || settings.skipRows > kMaxSkipRows)) {
        return "The number of rows to skip must be from 0 to " + std::to_string(kMaxSkipRows) +
               ", not " + std::to_string(settings.skipRows);
    }
    if (settings.footerRows < 0 || settings.footerRows > kMaxSkipRows) {
        return "The number of footer lines must be from 0 to " + std::to_string(kMaxSkipRows) +
               ", not " + std::to_string(settings.footerRows);
    }
    if (settings.decimalComma != 0 && settings.csv == 0) {
        return "--decimal-comma needs --csv";
    }
    return std::nullopt;
}

int RunConvert(const ConvertRequest& request) {
    ImportSettings settings;
    CProfileStore store;
    if (request.fromProfile) {
        bool created = false;
        if (!store.Open("", kProfileKey, created)) {
            Report("Cannot open the saved settings below " + CProfileStore::DefaultRoot());
            return kExitFailed;
        }
        settings.Load(store);
    } else if (!request.database || !request.symbol) {
        Report("convert needs --db DIR and --symbol SYMBOL (or --from-profile)");
        return kExitUsage;
    }
    if (request.autoDetect) {
        const Detection detection = DetectLayout(request.input);
        if (!detection.convertible) {
            Report("Cannot detect the layout of " + request.input + ": " + detection.whyNot);
            return kExitFailed;
        }
        TakeReadingSettings(detection.settings, settings);
        for (const std::string& warning : detection.warnings) {
            Report(warning);
        }
    }
    int dateCode = kFormatNone;
    auto error = ApplyRequest(request, settings);
    if (!error) {
        error = CheckSettings(settings, dateCode);
    }
    if (error) {
        Report(*error);
        return kExitUsage;
    }

    // Checked here because the job would first enter the security and only
    // then fail on the input, leaving an empty security behind.
    File probe;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(request.input, ec) ||
        !probe.Open(request.input, File::Mode::Read)) {
        Report("Cannot open the input file: " + request.input);
        return kExitFailed;
    }
    probe.Close();
    const std::string inputPath = std::filesystem::absolute(request.input, ec).string();

    CConverter job;
    if (request.fromProfile) {
        settings.Save(store);
        job.m_pProfile = &store;
    }
    settings.ApplyTo(job, inputPath.empty() ? request.input : inputPath, dateCode);
    if (job.Run() != 0) {
        Report("Conversion failed.");
        return kExitFailed;
    }

    const std::string dataFile = "F" + std::to_string(job.m_nFileNumber) + ".DAT";
    const auto count = CountedRecords(job.DatabaseDirectory(), job.m_nFileNumber);
    std::cout << "Converted " << request.input << " into " << settings.pathOut << " as "
              << settings.symbol << " (" << dataFile << ", "
              << (count ? std::to_string(*count) : std::string("?")) << " price record"
              << (count && *count == 1 ? "" : "s") << ").\n";
    return kExitOk;
}

}  // namespace torvan::cli
