// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/BatchRun.h"

#include <filesystem>

#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "engine/Batch.h"
#include "engine/ConvertJob.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// One file of the run: its job, or why it never became one.
struct FileRun {
    BatchOutcome outcome;
    CConvertJob* convert = nullptr;
    CUpdater* updater = nullptr;
    std::unique_ptr<IMessageSink> sink;
};

// Makes the job of one file into batch, or says in run why there is none.
void AddJob(const BatchFile& file, const BatchOptions& options, CBatch& batch, FileRun& run) {
    ImportSettings settings = file.settings;
    run.outcome.symbol = settings.symbol;
    if (file.refused) {
        run.outcome.reason = OneLine(*file.refused);
        return;
    }
    const std::string inputPath = AbsolutePath(file.input);
    int dateCode = kFormatNone;
    if (auto problem = CheckForRun(settings, inputPath, dateCode, kMaxLongName)) {
        run.outcome.reason = OneLine(problem->message.text);
        return;
    }
    run.outcome.symbol = settings.symbol;
    if (options.sinkFor) {
        run.sink = options.sinkFor(settings.symbol);
    }
    CConverter* job = nullptr;
    if (options.update) {
        auto update = std::make_unique<CUpdateJob>();
        run.updater = &update->updater;
        run.updater->m_overlap = options.overlap;
        job = &run.updater->m_job;
        batch.Add(std::move(update));
    } else {
        auto convert = std::make_unique<CConvertJob>();
        run.convert = convert.get();
        job = &convert->job;
        batch.Add(std::move(convert));
    }
    settings.ApplyTo(*job, inputPath, dateCode);
    job->m_pSink = run.sink.get();
    job->m_pLines = file.lines;
    if (file.adjust) {
        file.adjust(*job);
    }
}

// Whether readers find the security as the job left it: listed under its
// number and symbol with every record, and an update's last day stored last.
bool Listed(const std::vector<SecurityEntry>& listed, const BatchOutcome& outcome) {
    const JobResult& result = outcome.result.job;
    for (const SecurityEntry& entry : listed) {
        if (entry.fileNumber != result.fileNumber || !EqualsNoCase(entry.symbol, outcome.symbol)) {
            continue;
        }
        if (outcome.kind == BatchOutcome::Kind::kAdded) {
            return entry.recordCount == std::optional<int>(result.recordsWritten);
        }
        SecurityRecords stored;
        return ReadSecurityEnds(result.databaseDirectory, outcome.symbol, stored) ==
                   ReadResult::kOk &&
               !stored.rows.empty() &&
               (result.recordsWritten == 0 || stored.rows.back().front() == result.lastDate);
    }
    return false;
}

// Fills run's outcome from its finished job.
void Conclude(FileRun& run, const std::vector<SecurityEntry>& listed) {
    BatchOutcome& outcome = run.outcome;
    if (run.updater != nullptr) {
        outcome.result = run.updater->Result();
    } else if (run.convert != nullptr) {
        outcome.result.job = run.convert->Result();
        outcome.result.added = true;
    } else {
        return;  // refused before it became a job
    }
    const JobResult& result = outcome.result.job;
    if (!result.Succeeded()) {
        outcome.reason = result.messages.empty() ? MessageText(MessageId::kConversionFailed)
                                                 : OneLine(result.messages.back().text);
        return;
    }
    outcome.kind = outcome.result.added ? BatchOutcome::Kind::kAdded : BatchOutcome::Kind::kUpdated;
    if (!Listed(listed, outcome)) {
        outcome.kind = BatchOutcome::Kind::kFailed;
        outcome.reason = OneLine(
            MessageText(MessageId::kReadBackFailed, {outcome.symbol, result.databaseDirectory}));
    }
}

}  // namespace

std::vector<BatchOutcome> RunBatch(const std::vector<BatchFile>& files,
                                   const BatchOptions& options) {
    std::vector<FileRun> runs(files.size());
    if (files.empty()) {
        return {};
    }
    CBatch batch(files.front().settings.pathOut);
    batch.m_commitEvery = options.commitEvery;
    batch.m_pSink = options.sink;
    batch.m_pCancel = options.cancel;
    std::size_t refused = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        runs[i].outcome.input = files[i].input;
        runs[i].outcome.ticker = files[i].settings.ticker;
        AddJob(files[i], options, batch, runs[i]);
        refused += runs[i].convert == nullptr && runs[i].updater == nullptr ? 1 : 0;
    }
    if (options.progress) {
        batch.m_progress = [&options, refused, total = files.size()](std::size_t done,
                                                                     std::size_t) {
            options.progress(refused + done, total);
        };
    }
    if (!batch.Jobs().empty()) {
        batch.Run();
    } else if (options.progress) {
        options.progress(files.size(), files.size());
    }
    std::vector<SecurityEntry> listed;
    for (const auto& job : batch.Jobs()) {
        if (job->Result().Succeeded()) {
            ListSecurities(job->Result().databaseDirectory, listed);
            break;
        }
    }
    std::vector<BatchOutcome> outcomes;
    for (FileRun& run : runs) {
        Conclude(run, listed);
        outcomes.push_back(std::move(run.outcome));
    }
    return outcomes;
}

std::string SymbolOfFileName(const std::string& input) {
    return ToUpperAscii(StemOf(input));
}

std::vector<BatchFile> FilesNamedBySymbol(const ImportSettings& settings,
                                          const std::vector<std::string>& inputs) {
    ImportSettings common = settings;
    common.newMaster = FindFileNoCase(AbsoluteDirectory(settings.pathOut), "MASTER") ? 0 : 1;
    common.ticker.clear();
    std::vector<BatchFile> files;
    for (const std::string& input : inputs) {
        BatchFile file;
        file.input = input;
        file.settings = common;
        file.settings.symbol = SymbolOfFileName(input);
        file.settings.name = file.settings.symbol;
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<BatchFile> TickerFiles(const TickerPlan& plan, const BatchFile& file) {
    std::vector<BatchFile> files;
    for (const TickerJob& job : plan.jobs) {
        BatchFile one = file;
        one.settings = job.settings;
        one.lines = job.inputLines;
        if (job.refused) {
            one.refused = job.refused->text;
        }
        files.push_back(std::move(one));
    }
    return files;
}

}  // namespace torvan
