// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Update.h"

#include <iostream>

#include "cli/Output.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "detect/Detect.h"
#include "engine/Updater.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"

namespace torvan::cli {
namespace {

std::string Plural(int count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The settings of the command line (detection first with --auto), or the
// exit status when they cannot be used.
std::optional<int> Settings(const ConvertRequest& request, ImportSettings& settings,
                            std::string& inputPath, int& dateCode) {
    if (!request.database || !request.symbol) {
        Report("update needs --db DIR and --symbol SYMBOL");
        return kExitUsage;
    }
    if (request.newMaster.value_or(false)) {
        Report("update adds to the MASTER in DIR; --new-master does not apply");
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
    if (auto error = ApplyRequest(request, settings)) {
        Report(*error);
        return kExitUsage;
    }
    inputPath = AbsolutePath(request.input);
    if (auto problem = CheckForRun(settings, inputPath, dateCode, kMaxLongName)) {
        Report(problem->message.text);
        const bool input = problem->message.id == MessageName(MessageId::kCannotOpenInputFile) ||
                           problem->message.id == MessageName(MessageId::kInputNotAFile);
        return input ? kExitFailed : kExitUsage;
    }
    return std::nullopt;
}

void PrintSummary(const CUpdater& updater, const std::string& symbol) {
    const UpdateResult& result = updater.Result();
    const JobResult& job = result.job;
    std::cout << symbol << (result.added ? " added" : " updated") << ": "
              << Plural(job.recordsWritten, "record")
              << (updater.m_overlap == CUpdater::Overlap::kReplaceAll ? " written" : " added");
    if (!result.added && updater.m_overlap != CUpdater::Overlap::kReplaceAll) {
        std::cout << ", " << result.skipped << " skipped (equal), " << result.differing
                  << " differing";
        if (result.differing > 0) {
            std::cout << " (first " << StoredDateText(result.firstDiffering)
                      << (result.replaced > 0 ? ", replaced" : ", kept as stored") << ")";
        }
    }
    if (job.recordsWritten > 0) {
        std::cout << "; "
                  << (result.added || updater.m_overlap == CUpdater::Overlap::kReplaceAll
                          ? "dates "
                          : "new days ")
                  << StoredDateText(job.firstDate) << " to " << StoredDateText(job.lastDate);
    }
    std::cout << ".\n";
    if (job.linesWithoutDate + job.linesWithoutPrice + job.linesMissingColumns > 0) {
        std::cout << "Lines skipped: " << job.linesWithoutDate << " without a date, "
                  << job.linesWithoutPrice << " without a price; " << job.linesMissingColumns
                  << " with missing columns stored as 0.\n";
    }
}

}  // namespace

int RunUpdate(const UpdateRequest& request) {
    if (request.replace && request.replaceAll) {
        Report("--replace and --replace-all exclude each other");
        return kExitUsage;
    }
    ImportSettings settings;
    std::string inputPath;
    int dateCode = 0;
    if (const auto status = Settings(request.convert, settings, inputPath, dateCode)) {
        return *status;
    }
    ReportingSink sink;
    CUpdater updater;
    settings.ApplyTo(updater.m_job, inputPath, dateCode);
    updater.m_job.m_pSink = &sink;
    updater.m_job.m_bXMaster = request.convert.xmaster ? 1 : 0;
    updater.m_job.m_bEMaster = request.convert.emaster ? 1 : 0;
    updater.m_overlap = request.replaceAll ? CUpdater::Overlap::kReplaceAll
                        : request.replace  ? CUpdater::Overlap::kReplace
                                           : CUpdater::Overlap::kKeep;
    if (updater.Run() != 0) {
        Report("Update failed.");
        return kExitFailed;
    }
    // Success is a security that readers find with what was written.
    const JobResult& job = updater.Result().job;
    SecurityRecords stored;
    const bool found =
        ReadSecurityEnds(job.databaseDirectory, settings.symbol, stored) == ReadResult::kOk &&
        !stored.rows.empty() &&
        (job.recordsWritten == 0 || stored.rows.back().front() == job.lastDate);
    if (!found) {
        Report(MessageText(MessageId::kReadBackFailed, {settings.symbol, job.databaseDirectory}));
        return kExitFailed;
    }
    PrintSummary(updater, settings.symbol);
    return kExitOk;
}

}  // namespace torvan::cli
