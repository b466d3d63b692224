// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Inspect.h"

#include <cstdio>
#include <iostream>

#include "cli/Convert.h"
#include "cli/Output.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "detect/Detect.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"
#include "settings/TickerJobs.h"

namespace torvan::cli {
namespace {

// Quotes a path for a POSIX shell when it needs it.
std::string ShellWord(const std::string& text) {
    if (!text.empty() &&
        text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789_-./+=:,@") == std::string::npos) {
        return text;
    }
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

constexpr std::size_t kTickersShown = 5;

}  // namespace

TickerSummary SummariseTickers(const std::string& input, const ImportSettings& settings) {
    TickerSummary summary;
    const TickerPlan plan = PlanTickerJobs(settings, input);
    summary.count = plan.jobs.size();
    for (std::size_t i = 0; i < plan.jobs.size() && i < kTickersShown; ++i) {
        summary.first.push_back(plan.jobs[i].ticker);
    }
    return summary;
}

const char* ConfidenceText(Confidence confidence) {
    switch (confidence) {
        case Confidence::kSure:
            return "sure";
        case Confidence::kLikely:
            return "likely";
        default:
            return "guess";
    }
}

int TimeColumnOf(const Detection& detection) {
    return detection.timeInDate ? detection.settings.fieldCol[kSlotDate] : detection.timeColumn + 1;
}

std::string ConvertCommand(const std::string& input, const ImportSettings& settings,
                           int timeColumn) {
    std::string columns;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (s == kSlotDate || s == kSlotClose || settings.fieldOn[s] != 0) {
            columns += std::string(columns.empty() ? "" : ",") + kColumnNames[s] + "=" +
                       std::to_string(settings.fieldCol[s]);
        }
    }
    // Each ticker is the symbol of its own security.
    if (settings.tickerCol != 0) {
        columns += ",ticker=" + std::to_string(settings.tickerCol);
    }
    if (timeColumn > 0) {
        columns += ",time=" + std::to_string(timeColumn);
    }
    std::string command = std::string(kProgramName) + " convert " + ShellWord(input) +
                          (settings.tickerCol != 0 ? " --db DIR" : " --db DIR --symbol SYMBOL") +
                          " --delimiter " + DelimiterName(settings.delimiter) + " --date-format " +
                          settings.dateFormat + " --columns " + columns;
    if (settings.skipOn != 0) {
        command += " --skip " + std::to_string(settings.skipRows);
    }
    if (settings.footerRows > 0) {
        command += " --footer " + std::to_string(settings.footerRows);
    }
    if (settings.reverse != 0) {
        command += " --reverse";
    }
    if (settings.monthNames != 0) {
        command += " --month-names";
    }
    if (settings.csv != 0) {
        command += " --csv";
    }
    if (settings.decimalComma != 0) {
        command += " --decimal-comma";
    }
    return command;
}

int RunInspect(const std::string& input, int rows) {
    if (!FileExists(input) || IsDirectory(input)) {
        Report(MessageText(MessageId::kCannotOpenInputFile, {input}));
        return kExitFailed;
    }
    const Detection detection = DetectLayout(input);
    std::cout << input << ": " << detection.linesInFile << " line"
              << (detection.linesInFile == 1 ? "" : "s") << "\n";
    if (!detection.convertible) {
        std::cout << "Cannot be converted: " << detection.whyNot << "\n";
        return kExitFailed;
    }
    const ImportSettings& settings = detection.settings;
    std::cout << "\nProposed settings:\n  "
              << ConvertCommand(input, settings, TimeColumnOf(detection)) << "\n\n";
    std::cout << "How sure:\n";
    for (const DetectedChoice& choice : detection.choices) {
        std::printf("  %-20s %-28s %s%s%s\n", choice.setting.c_str(), choice.value.c_str(),
                    ConfidenceText(choice.confidence), choice.reason.empty() ? "" : ": ",
                    choice.reason.c_str());
    }
    if (settings.tickerCol != 0) {
        const TickerSummary tickers = SummariseTickers(input, settings);
        std::cout << "\nTickers in column " << settings.tickerCol << ": " << tickers.count;
        for (std::size_t i = 0; i < tickers.first.size(); ++i) {
            std::cout << (i == 0 ? " (" : ", ") << tickers.first[i];
        }
        std::cout << (tickers.count > tickers.first.size() ? ", ...)" : ")")
                  << "; each becomes a security with the ticker as its symbol\n";
    }
    const auto preview = PreviewLines(input, settings, static_cast<std::size_t>(rows));
    std::cout << "\nFirst rows as they would be stored:\n";
    std::printf("  %-6s  %-10s", "Line", "Date");
    static constexpr std::array<const char*, kFieldSlots> kTitles = {
        "Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest"};
    for (std::size_t s = 1; s < kFieldSlots; ++s) {
        if (s == kSlotClose || settings.fieldOn[s] != 0) {
            std::printf("  %12s", kTitles[s]);
        }
    }
    std::printf("\n");
    for (const PreviewRow& row : preview) {
        std::printf("  %-6ld  ", row.line);
        if (row.kind == LineKind::kNoDate) {
            std::printf("skipped: no date in %s\n", settings.dateFormat.c_str());
            continue;
        }
        std::printf("%-10s", StoredDateText(row.date).c_str());
        if (row.kind == LineKind::kNoPrice) {
            std::printf("  skipped: no price\n");
            continue;
        }
        for (std::size_t s = 1; s < kFieldSlots; ++s) {
            if (s == kSlotClose || settings.fieldOn[s] != 0) {
                std::printf("  %12s", NumberText(row.values[s]).c_str());
            }
        }
        std::printf("%s\n", row.missingColumns ? "  (missing columns stored as 0)" : "");
    }
    if (!detection.warnings.empty()) {
        std::cout << "\nWarnings:\n";
        for (const std::string& warning : detection.warnings) {
            std::cout << "  " << warning << "\n";
        }
    }
    return kExitOk;
}

}  // namespace torvan::cli
