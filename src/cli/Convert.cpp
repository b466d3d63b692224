// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Convert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iostream>

#include "cli/Inspect.h"
#include "cli/Output.h"
#include "database/DataFile.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "database/EMaster.h"
#include "detect/Detect.h"
#include "engine/Converter.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"
#include "platform/Text.h"
#include "settings/ProfileStore.h"
#include "settings/TickerJobs.h"

namespace torvan::cli {
namespace {

// Delimiter values 0 to 3: comma, tab, space, semicolon.
constexpr int kDelimiterCount = 4;

constexpr const char* kProfileKey = "Software\\Quennel\\Torvan";

std::string DateFormats() {
    std::string list;
    for (const char* name : DateFormatList()) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    return list;
}

// The option through which the user gives a setting.
const char* OptionOf(Setting setting) {
    switch (setting) {
        case Setting::kDateCol:
        case Setting::kOpenCol:
        case Setting::kHiCol:
        case Setting::kLoCol:
        case Setting::kCloCol:
        case Setting::kVolCol:
        case Setting::kOICol:
            return "--columns";
        case Setting::kName:
            return "--name";
        case Setting::kPathOut:
            return "--db";
        case Setting::kSymbol:
            return "--symbol";
        case Setting::kSkipRows:
        case Setting::kSkipOn:
            return "--skip";
        case Setting::kDateFormat:
            return "--date-format";
        case Setting::kInputPath:
            return "INPUT";
        case Setting::kNewMaster:
            return "--new-master";
        case Setting::kDelimiter:
            return "--delimiter";
        case Setting::kReverse:
            return "--reverse";
        case Setting::kMonthNames:
            return "--month-names";
        case Setting::kFooterRows:
            return "--footer";
        case Setting::kDecimalComma:
            return "--decimal-comma";
        case Setting::kTickerCol:
        case Setting::kTimeCol:
            return "--columns";
        case Setting::kInterval:
            return "--interval";
        case Setting::kUpdate:
        case Setting::kNone:
            break;
    }
    return "";
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
        if (ToLowerAscii(name) == kColumnNames[static_cast<std::size_t>(slot)]) {
            return slot;
        }
    }
    return -1;
}

// "date=1,open=2,...": the fields named are present at those columns, the
// others absent (their stored column is kept, as the dialog keeps the
// column of a switched-off field); "ticker=N" names the column of a file's
// tickers, none without it.
std::optional<std::string> ApplyColumns(const std::string& text, ImportSettings& settings) {
    std::array<int, kFieldSlots> on{};
    std::array<int, kFieldSlots> column = settings.fieldCol;
    int ticker = 0;
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
        const bool isTicker = ToLowerAscii(item.substr(0, eq)) == "ticker";
        const int slot = SlotOfName(item.substr(0, eq));
        if (eq == std::string::npos || (slot < 0 && !isTicker)) {
            return "--columns: \"" + item +
                   "\" is not FIELD=COLUMN with FIELD one of date, open, high, low, close, vol, "
                   "oi, ticker";
        }
        const auto s = static_cast<std::size_t>(isTicker ? 0 : slot);
        if (isTicker ? ticker != 0 : on[s] != 0) {
            return "--columns: the " + item.substr(0, eq) + " column is given twice";
        }
        const auto number = ParseInt(item.substr(eq + 1));
        if (!number || *number < 1 || *number > kMaxColumns) {
            return "--columns: the column of " + item.substr(0, eq) +
                   " must be a number from 1 to " + std::to_string(kMaxColumns);
        }
        if (isTicker) {
            ticker = *number;
            continue;
        }
        on[s] = 1;
        column[s] = *number;
    }
    if (on[kSlotDate] == 0 || on[kSlotClose] == 0) {
        return "--columns must give the date and close columns (e.g. date=1,close=5)";
    }
    settings.fieldOn = on;
    settings.fieldCol = column;
    settings.tickerCol = ticker;
    return std::nullopt;
}

// Takes "time=N" out of a --columns text: the time is no saved setting.
// timeColumn is then N - 1. The reason when N is no column.
std::optional<std::string> TakeTimeColumn(std::string& text, int& timeColumn) {
    std::string rest;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        std::string item = text.substr(start, end - start);
        start = end + 1;
        item.erase(std::remove(item.begin(), item.end(), ' '), item.end());
        if (ToLowerAscii(item.substr(0, 5)) != "time=") {
            rest += (rest.empty() ? "" : ",") + item;
            continue;
        }
        const auto number = ParseInt(item.substr(5));
        if (!number || *number < 1 || *number > kMaxColumns) {
            return "--columns: the column of time must be a number from 1 to " +
                   std::to_string(kMaxColumns);
        }
        timeColumn = *number - 1;
    }
    text = rest;
    return std::nullopt;
}

// The first and last records of a security as read back.
void PrintStoredEnds(const SecurityRecords& stored) {
    if (stored.rows.empty()) {
        return;
    }
    const auto& names = stored.entry.fieldNames;
    auto row = [&](const char* label, const std::vector<float>& values) {
        std::cout << label;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string name = i < names.size() ? names[i] : "?";
            std::cout << (i == 0 ? " " : ", ") << name << " "
                      << (name == "Date"   ? StoredDateText(values[i])
                          : name == "Time" ? TimeText(values[i])
                                           : NumberText(values[i]));
        }
        std::cout << "\n";
    };
    row("First stored:", stored.rows.front());
    row("Last stored: ", stored.rows.back());
}

// Takes the reading settings detection proposes for input, and the time
// column it found (0-based, -1 for none); false, after telling why, when it
// finds none.
bool Detected(const std::string& input, ImportSettings& settings, int& timeColumn) {
    const Detection detection = DetectLayout(input);
    if (!detection.convertible) {
        Report("Cannot detect the layout of " + input + ": " + detection.whyNot);
        return false;
    }
    TakeReadingSettings(detection.settings, settings);
    timeColumn = TimeColumnOf(detection) - 1;
    for (const std::string& warning : detection.warnings) {
        Report(warning);
    }
    return true;
}

}  // namespace

std::optional<int> TickerColumnUse(const ConvertRequest& request, ImportSettings& settings,
                                   const std::string& inputPath) {
    if (settings.tickerCol == 0 || !request.symbol) {
        return std::nullopt;
    }
    const std::string refusal =
        "--symbol cannot be used with a ticker column (column " +
        std::to_string(settings.tickerCol) +
        "): each ticker becomes a security with the ticker as its symbol. Leave out --symbol";
    if (request.columns) {
        Report(refusal + ".");
        return kExitUsage;
    }
    const TickerPlan plan = PlanTickerJobs(settings, inputPath);
    if (plan.failed) {
        return std::nullopt;  // the run tells why it cannot read the input
    }
    if (plan.jobs.size() > 1) {
        Report(refusal + ": the file holds " + std::to_string(plan.jobs.size()) + " tickers.");
        return kExitUsage;
    }
    settings.tickerCol = 0;
    return std::nullopt;
}

namespace {

// What a conversion stored and what it reported of the lines.
void PrintSummary(const std::string& input, const ImportSettings& settings, const JobResult& result,
                  bool inXMaster) {
    const int count = result.recordsWritten;
    std::cout << "Converted " << input << " into " << settings.pathOut << " as " << settings.symbol
              << " (F" << result.fileNumber << (inXMaster ? ".MWD" : ".DAT") << ", " << count
              << " price record" << (count == 1 ? "" : "s") << ").\n";
    if (result.linesWithoutDate + result.linesWithoutPrice + result.linesMissingColumns > 0) {
        std::cout << "Lines skipped: " << result.linesWithoutDate << " without a date, "
                  << result.linesWithoutPrice << " without a price; " << result.linesMissingColumns
                  << " with missing columns stored as 0.\n";
    }
    if (result.linesOutOfOrder > 0) {
        std::cout << "Lines out of order: " << result.linesOutOfOrder
                  << " stored whose date repeats or goes back (the first is line "
                  << result.firstLineOutOfOrder << ").\n";
    }
    if (result.barMinutes > 0) {
        std::cout << "Intraday bars of " << result.barMinutes << " minute"
                  << (result.barMinutes == 1 ? "" : "s") << ".\n";
    }
}

}  // namespace

// The time column of --columns (taken out of it) and the interval; the
// reason when one is unusable.
std::optional<std::string> TakeIntradayOptions(ConvertRequest& given, int& timeColumn) {
    if (given.columns) {
        timeColumn = -1;
        if (auto error = TakeTimeColumn(*given.columns, timeColumn)) {
            return error;
        }
    }
    if (given.interval && (*given.interval < 1 || *given.interval > 60)) {
        return "--interval: " +
               MessageText(MessageId::kBarIntervalOutOfRange, {std::to_string(*given.interval)});
    }
    return std::nullopt;
}

void SetIntraday(CConverter& job, int timeColumn, const ConvertRequest& request) {
    // The time in the date's own column follows the date there.
    job.m_bTimeInDate = timeColumn >= 0 && timeColumn == job.m_nFieldCol[kSlotDate] ? 1 : 0;
    job.m_nTimeCol = job.m_bTimeInDate != 0 ? -1 : timeColumn;
    job.m_nInterval = request.interval.value_or(0);
    job.m_bDaily = request.daily ? 1 : 0;
}

std::string OptionFor(Setting setting) {
    const std::string option = OptionOf(setting);
    return option.empty() ? option : option + ": ";
}

bool ReadBack(const std::string& directory, const std::string& symbol, const JobResult& result,
              bool inXMaster, SecurityRecords& stored) {
    auto same = [&](const SecurityEntry& entry) {
        return entry.fileNumber == result.fileNumber && entry.inXMaster == inXMaster &&
               EqualsNoCase(entry.symbol, symbol) &&
               entry.recordCount == std::optional<int>(result.recordsWritten);
    };
    std::vector<SecurityEntry> listed;
    return ListSecurities(directory, listed) && std::any_of(listed.begin(), listed.end(), same) &&
           ReadSecurityEnds(directory, symbol, stored) == ReadResult::kOk && same(stored.entry);
}

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
        settings.newMaster = *request.newMaster ? 1 : 0;
    }
    if (request.delimiter) {
        // The names the inspect command proposes, so that its line runs as shown.
        const std::string wanted = ToLowerAscii(*request.delimiter);
        int delimiter = 0;
        while (delimiter < kDelimiterCount && wanted != DelimiterName(delimiter)) {
            ++delimiter;
        }
        if (delimiter == kDelimiterCount) {
            return "--delimiter must be comma, tab, space or semicolon, not \"" +
                   *request.delimiter + "\"";
        }
        settings.delimiter = delimiter;
    }
    if (request.dateFormat) {
        const int code = request.dateFormat->empty() ? 0 : DateFormatCode(*request.dateFormat);
        if (code == kFormatNone) {
            return "--date-format \"" + *request.dateFormat + "\" is not one of " + DateFormats() +
                   " (or the beginning of one)";
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

int RunConvert(const ConvertRequest& request) {
    ImportSettings settings;
    CProfileStore store;
    bool storeOpen = false;
    if (request.fromProfile) {
        // As the Settings command reads them: a store that is new or cannot
        // be opened gives the defaults and the first-run directory.
        bool created = false;
        storeOpen = store.Open("", kProfileKey, created);
        if (storeOpen) {
            if (created) {
                // The store's first start, wherever it happens, brings in
                // the legacy settings file.
                store.ImportIniFile();
            }
            settings.LoadForDialog(store);
        } else {
            settings.LoadForDialog(CProfileStore());
            Report("Cannot open the saved settings below " + CProfileStore::DefaultRoot() +
                   "; using the defaults.");
        }
    } else if (!request.database) {
        Report("convert needs --db DIR and --symbol SYMBOL (or --from-profile)");
        return kExitUsage;
    }
    int detectedTime = -1;
    if (request.autoDetect && !Detected(request.input, settings, detectedTime)) {
        return kExitFailed;
    }
    ConvertRequest given = request;
    int timeColumn = detectedTime;
    if (auto error = TakeIntradayOptions(given, timeColumn)) {
        Report(*error);
        return kExitUsage;
    }
    if (auto error = ApplyRequest(given, settings)) {
        Report(*error);
        return kExitUsage;
    }
    const std::string inputPath = AbsolutePath(request.input);
    if (const auto status = TickerColumnUse(request, settings, inputPath)) {
        return *status;
    }
    if (settings.tickerCol != 0) {
        // Each ticker's job reads the time as one file's conversion would.
        const bool inDate = timeColumn >= 0 && timeColumn + 1 == settings.fieldCol[kSlotDate];
        settings.timeInDate = inDate ? 1 : 0;
        settings.timeCol = timeColumn >= 0 && !inDate ? timeColumn + 1 : 0;
        settings.interval = request.interval.value_or(0);
        settings.daily = request.daily ? 1 : 0;
        return RunTickerJobs(request, settings, inputPath, storeOpen ? &store : nullptr);
    }
    if (!request.fromProfile && !request.symbol) {
        Report(
            "convert needs --symbol SYMBOL (or --from-profile), unless the file has a ticker "
            "column");
        return kExitUsage;
    }
    int dateCode = kFormatNone;
    if (auto problem = CheckForRun(settings, inputPath, dateCode, kMaxLongName)) {
        const std::string option = OptionOf(problem->setting);
        Report((option.empty() ? "" : option + ": ") + problem->message.text);
        const bool input = problem->message.id == MessageName(MessageId::kCannotOpenInputFile) ||
                           problem->message.id == MessageName(MessageId::kInputNotAFile);
        return input ? kExitFailed : kExitUsage;
    }

    ReportingSink sink;
    CConverter job;
    job.m_pSink = &sink;
    if (storeOpen) {
        // As a confirmed settings dialog: the list entry the date format
        // selects, first run over.
        settings.dateFormat = DateFormatList()[static_cast<std::size_t>(dateCode - 1)];
        settings.SaveConfirmed(store);
        job.m_pProfile = &store;
    }
    settings.ApplyTo(job, inputPath, dateCode);
    job.m_bXMaster = request.xmaster ? 1 : 0;
    job.m_bEMaster = request.emaster ? 1 : 0;
    SetIntraday(job, timeColumn, request);
    if (job.Run() != 0) {
        Report(MessageText(MessageId::kConversionFailed));
        return kExitFailed;
    }

    const JobResult& result = job.Result();
    // Success is a security that readers find where it was put, with every
    // record: read back from the folder the job wrote into.
    SecurityRecords stored;
    const std::string directory = result.databaseDirectory;
    if (!ReadBack(directory, settings.symbol, result, job.m_bInXMaster, stored)) {
        Report(MessageText(MessageId::kReadBackFailed, {settings.symbol, directory}));
        Report(MessageText(MessageId::kConversionFailed));
        return kExitFailed;
    }
    PrintSummary(request.input, settings, result, job.m_bInXMaster);
    PrintStoredEnds(stored);
    return kExitOk;
}

}  // namespace torvan::cli
