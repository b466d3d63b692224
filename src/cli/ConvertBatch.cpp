// SPDX-License-Identifier: GPL-3.0-or-later
// "convert FILE... --db DIR": many files into one database in one run.
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/Convert.h"
#include "cli/Inspect.h"
#include "cli/Output.h"
#include "cli/Update.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "detect/Detect.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "settings/BatchRun.h"
#include "settings/ProfileStore.h"

namespace torvan::cli {
namespace {

constexpr const char* kProfileKey = "Software\\Quennel\\Torvan";

// The settings every file starts from: the defaults or the saved ones
// (read only: one run of many files is not one confirmed dialog).
ImportSettings StartingSettings(const ConvertRequest& request) {
    ImportSettings settings;
    CProfileStore store;
    bool created = false;
    if (request.fromProfile && store.Open("", kProfileKey, created)) {
        settings.LoadForDialog(store);
    } else if (request.fromProfile) {
        settings.LoadForDialog(CProfileStore());
        Report("Cannot open the saved settings below " + CProfileStore::DefaultRoot() +
               "; using the defaults.");
    }
    return settings;
}

// The file input with its settings, or why it has none.
BatchFile MakeFile(const ConvertRequest& request, ImportSettings settings,
                   const std::string& input) {
    BatchFile file;
    file.input = input;
    const std::string symbol = ToUpperAscii(StemOf(input));
    settings.symbol = symbol;
    file.settings = settings;
    int timeColumn = -1;
    if (request.autoDetect) {
        const Detection detection = DetectLayout(input);
        if (!detection.convertible) {
            file.refused = "cannot detect the layout: " + detection.whyNot;
            return file;
        }
        TakeReadingSettings(detection.settings, settings);
        timeColumn = TimeColumnOf(detection) - 1;
    }
    ConvertRequest given = request;
    if (auto error = TakeIntradayOptions(given, timeColumn)) {
        file.refused = *error;
        return file;
    }
    if (auto error = ApplyRequest(given, settings)) {
        file.refused = *error;
        return file;
    }
    // Its lines would all go into the one security named by the file.
    if (settings.tickerCol != 0) {
        file.refused =
            "the file has a ticker column; convert it on its own to get one security "
            "per ticker";
        return file;
    }
    settings.symbol = symbol;
    settings.name = request.name ? *request.name : symbol;
    settings.newMaster = 0;
    file.settings = settings;
    file.adjust = [request, timeColumn](CConverter& job) {
        job.m_bXMaster = request.xmaster ? 1 : 0;
        job.m_bEMaster = request.emaster ? 1 : 0;
        SetIntraday(job, timeColumn, request);
    };
    return file;
}

// What an added file stored.
void PrintAdded(const JobResult& result) {
    const int count = result.recordsWritten;
    std::cout << "added, " << count << " record" << (count == 1 ? "" : "s");
    if (count > 0) {
        std::cout << ", " << StoredDateText(result.firstDate) << " to "
                  << StoredDateText(result.lastDate);
    }
    const int skipped = result.linesWithoutDate + result.linesWithoutPrice;
    if (skipped + result.linesMissingColumns > 0) {
        std::cout << "; lines skipped: " << skipped
                  << ", with missing columns stored as 0: " << result.linesMissingColumns;
    }
}

// One line per file.
void PrintOutcome(const BatchOutcome& outcome, CUpdater::Overlap overlap) {
    std::cout << outcome.symbol << " (" << outcome.input << "): ";
    switch (outcome.kind) {
        case BatchOutcome::Kind::kFailed:
            std::cout << "failed: " << outcome.reason;
            break;
        case BatchOutcome::Kind::kAdded:
            PrintAdded(outcome.result.job);
            break;
        case BatchOutcome::Kind::kUpdated:
            std::cout << UpdatedText(outcome.result, overlap);
            break;
    }
    std::cout << "\n";
}

}  // namespace

int RunConvertBatch(const ConvertRequest& request, const BatchOptions& options) {
    if (request.symbol) {
        Report(
            "--symbol cannot be given with several files: each file's symbol is its file "
            "name without the extension, upper-cased");
        return kExitUsage;
    }
    if (request.newMaster && *request.newMaster) {
        Report(options.update
                   ? "update adds to the MASTER in DIR; --new-master does not apply"
                   : "--new-master takes a single file: convert one file with --new-master "
                     "first, then the others into the MASTER it made");
        return kExitUsage;
    }
    if (!request.database && !request.fromProfile) {
        Report(options.update ? "update needs --db DIR"
                              : "convert needs --db DIR (or --from-profile)");
        return kExitUsage;
    }
    const ImportSettings start = StartingSettings(request);
    ImportSettings checked = start;
    if (auto error = ApplyRequest(request, checked)) {
        Report(*error);
        return kExitUsage;
    }
    std::vector<BatchFile> files;
    for (const std::string& input : request.inputs) {
        files.push_back(MakeFile(request, start, input));
        // Every file goes where the command line says, whatever else failed.
        files.back().settings.pathOut = checked.pathOut;
    }
    BatchOptions run = options;
    const bool progress = StderrIsTerminal();
    if (progress) {
        run.progress = [](std::size_t done, std::size_t total) {
            std::cerr << "\r" << kProgramName << ": " << done << " of " << total << " files"
                      << std::flush;
        };
    }
    const std::vector<BatchOutcome> outcomes = RunBatch(files, run);
    if (progress) {
        std::cerr << "\r\033[K" << std::flush;
    }
    std::size_t succeeded = 0;
    for (const BatchOutcome& outcome : outcomes) {
        PrintOutcome(outcome, options.overlap);
        succeeded += outcome.Succeeded() ? 1 : 0;
    }
    std::cout << succeeded << " of " << outcomes.size()
              << (options.update ? " files updated or added.\n" : " files added.\n");
    return succeeded == outcomes.size() ? kExitOk : kExitFailed;
}

}  // namespace torvan::cli
