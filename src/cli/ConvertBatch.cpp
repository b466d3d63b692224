// SPDX-License-Identifier: GPL-3.0-or-later
// "convert FILE... --db DIR": many files into one database in one run.
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/Convert.h"
#include "cli/Inspect.h"
#include "cli/Output.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "detect/Detect.h"
#include "engine/Batch.h"
#include "engine/ConvertJob.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "settings/ProfileStore.h"

namespace torvan::cli {
namespace {

constexpr const char* kProfileKey = "Software\\Quennel\\Torvan";

// One input file: its job, or why it never became one.
struct FileRun {
    std::string input;
    std::string symbol;
    CConvertJob* job = nullptr;
    std::string refused;
};

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

// Makes the job of one file, or says in run.refused why there is none.
std::unique_ptr<CConvertJob> MakeJob(const ConvertRequest& request, ImportSettings settings,
                                     FileRun& run) {
    const std::string inputPath = AbsolutePath(run.input);
    int timeColumn = -1;
    if (request.autoDetect) {
        const Detection detection = DetectLayout(run.input);
        if (!detection.convertible) {
            run.refused = "cannot detect the layout: " + detection.whyNot;
            return nullptr;
        }
        TakeReadingSettings(detection.settings, settings);
        timeColumn = TimeColumnOf(detection) - 1;
    }
    ConvertRequest given = request;
    if (auto error = TakeIntradayOptions(given, timeColumn)) {
        run.refused = *error;
        return nullptr;
    }
    if (auto error = ApplyRequest(given, settings)) {
        run.refused = *error;
        return nullptr;
    }
    // Its lines would all go into the one security named by the file.
    if (settings.tickerCol != 0) {
        run.refused =
            "the file has a ticker column; convert it on its own to get one security "
            "per ticker";
        return nullptr;
    }
    settings.symbol = run.symbol;
    settings.name = request.name ? *request.name : run.symbol;
    settings.newMaster = 0;
    int dateCode = kFormatNone;
    if (auto problem = CheckForRun(settings, inputPath, dateCode, kMaxLongName)) {
        run.refused = problem->message.text;
        return nullptr;
    }
    auto job = std::make_unique<CConvertJob>();
    settings.ApplyTo(job->job, inputPath, dateCode);
    job->job.m_bXMaster = request.xmaster ? 1 : 0;
    job->job.m_bEMaster = request.emaster ? 1 : 0;
    SetIntraday(job->job, timeColumn, request);
    run.symbol = settings.symbol;
    return job;
}

// The reason a job failed: its last message, the error that stopped it.
std::string Reason(const JobResult& result) {
    return result.messages.empty() ? MessageText(MessageId::kConversionFailed)
                                   : OneLine(result.messages.back().text);
}

// Whether readers find the security as the job wrote it.
bool Listed(const std::vector<SecurityEntry>& listed, const FileRun& run, const JobResult& result) {
    for (const SecurityEntry& entry : listed) {
        if (entry.fileNumber == result.fileNumber && EqualsNoCase(entry.symbol, run.symbol) &&
            entry.recordCount == std::optional<int>(result.recordsWritten)) {
            return true;
        }
    }
    return false;
}

// One line per file; true when it was added.
bool PrintOutcome(const FileRun& run, const std::vector<SecurityEntry>& listed) {
    std::cout << run.symbol << " (" << run.input << "): ";
    if (run.job == nullptr) {
        std::cout << "failed: " << OneLine(run.refused) << "\n";
        return false;
    }
    const JobResult& result = run.job->Result();
    if (!result.Succeeded()) {
        std::cout << "failed: " << Reason(result) << "\n";
        return false;
    }
    if (!Listed(listed, run, result)) {
        std::cout << "failed: "
                  << OneLine(MessageText(MessageId::kReadBackFailed,
                                         {run.symbol, result.databaseDirectory}))
                  << "\n";
        return false;
    }
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
    std::cout << "\n";
    return true;
}

}  // namespace

int RunConvertBatch(const ConvertRequest& request) {
    if (request.symbol) {
        Report(
            "--symbol cannot be given with several files: each file's symbol is its file "
            "name without the extension, upper-cased");
        return kExitUsage;
    }
    if (request.newMaster && *request.newMaster) {
        Report(
            "--new-master takes a single file: convert one file with --new-master first, "
            "then the others into the MASTER it made");
        return kExitUsage;
    }
    if (!request.database && !request.fromProfile) {
        Report("convert needs --db DIR (or --from-profile)");
        return kExitUsage;
    }
    const ImportSettings start = StartingSettings(request);
    ImportSettings checked = start;
    if (auto error = ApplyRequest(request, checked)) {
        Report(*error);
        return kExitUsage;
    }
    CBatch batch(checked.pathOut);
    std::vector<FileRun> runs;
    for (const std::string& input : request.inputs) {
        FileRun run;
        run.input = input;
        run.symbol = ToUpperAscii(StemOf(input));
        if (auto job = MakeJob(request, start, run)) {
            run.job = job.get();
            batch.Add(std::move(job));
        }
        runs.push_back(std::move(run));
    }
    const bool progress = StderrIsTerminal();
    if (progress) {
        batch.m_progress = [](std::size_t done, std::size_t total) {
            std::cerr << "\r" << kProgramName << ": " << done << " of " << total << " files"
                      << std::flush;
        };
    }
    batch.Run();
    if (progress) {
        std::cerr << "\r\033[K" << std::flush;
    }
    std::vector<SecurityEntry> listed;
    if (!batch.Jobs().empty()) {
        ListSecurities(batch.Jobs().front()->Result().databaseDirectory, listed);
    }
    std::size_t added = 0;
    for (const FileRun& run : runs) {
        added += PrintOutcome(run, listed) ? 1 : 0;
    }
    std::cout << added << " of " << runs.size() << " files added.\n";
    return added == runs.size() ? kExitOk : kExitFailed;
}

}  // namespace torvan::cli
