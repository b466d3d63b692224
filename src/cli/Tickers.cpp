// SPDX-License-Identifier: GPL-3.0-or-later
// "convert" of a file that holds many tickers: one security per ticker.
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "cli/Convert.h"
#include "cli/Output.h"
#include "cli/Update.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "engine/Converter.h"
#include "platform/MessageCatalogue.h"
#include "settings/ProfileStore.h"
#include "settings/TickerJobs.h"

namespace torvan::cli {
namespace {

// A job's messages, each on one line after the ticker it is about.
class TickerSink : public IMessageSink {
  public:
    explicit TickerSink(std::string ticker) : m_ticker(std::move(ticker)) {}
    int Show(const Message& message) override {
        Report(m_ticker + ": " + message.text);
        return DefaultAnswer(message.type);
    }

  private:
    std::string m_ticker;
};

// The line of one ticker's outcome.
std::string OutcomeLine(const BatchOutcome& outcome, const BatchOptions& options) {
    const JobResult& result = outcome.result.job;
    if (outcome.kind == BatchOutcome::Kind::kUpdated) {
        return outcome.symbol + ": " + UpdatedText(outcome.result, options.overlap);
    }
    const int count = result.recordsWritten;
    std::string line = outcome.symbol + ": added, " + std::to_string(count) + " record" +
                       (count == 1 ? "" : "s") + ", " + StoredDateText(result.firstDate) + " to " +
                       StoredDateText(result.lastDate);
    const int skipped = result.linesWithoutDate + result.linesWithoutPrice;
    if (skipped > 0) {
        line += ", " + std::to_string(skipped) + " line" + (skipped == 1 ? "" : "s") + " skipped";
    }
    return line;
}

}  // namespace

int RunTickerJobs(const ConvertRequest& request, ImportSettings settings, const std::string& input,
                  CProfileStore* store, const BatchOptions& options) {
    if (!request.name) {
        settings.name.clear();  // each security is named by its ticker
    }
    TickerPlan plan = PlanTickerJobs(settings, input);
    if (plan.failed) {
        Report(plan.failed->text);
        return kExitFailed;
    }
    if (plan.jobs.empty()) {
        Report(MessageText(MessageId::kNoPriceLines, {input}));
        return kExitFailed;
    }
    // The settings every job shares are checked once, on the first that
    // has a usable symbol: a problem there is the command line's.
    for (TickerJob& first : plan.jobs) {
        if (first.refused) {
            continue;
        }
        ImportSettings checked = first.settings;
        int dateCode = kFormatNone;
        if (auto problem = CheckForRun(checked, input, dateCode, kMaxLongName)) {
            Report(OptionFor(problem->setting) + problem->message.text);
            return kExitUsage;
        }
        if (store != nullptr) {
            settings.dateFormat = DateFormatList()[static_cast<std::size_t>(dateCode - 1)];
            settings.SaveConfirmed(*store);
        }
        break;
    }
    if (plan.linesWithoutTicker > 0) {
        Report(MessageText(MessageId::kLinesWithoutTicker,
                           {std::to_string(plan.linesWithoutTicker),
                            std::to_string(plan.firstLineWithoutTicker)}));
    }
    BatchFile file;
    file.input = input;
    file.settings = settings;
    file.adjust = [&request](CConverter& job) {
        job.m_bXMaster = request.xmaster ? 1 : 0;
        job.m_bEMaster = request.emaster ? 1 : 0;
    };
    const std::vector<BatchFile> files = TickerFiles(plan, file);
    BatchOptions run = options;
    run.sinkFor = [](const std::string& symbol) { return std::make_unique<TickerSink>(symbol); };
    const std::vector<BatchOutcome> outcomes = RunBatch(files, run);
    std::vector<std::string> lines;
    int succeeded = 0;
    int updated = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const BatchOutcome& outcome = outcomes[i];
        if (outcome.Succeeded()) {
            ++succeeded;
            updated += outcome.kind == BatchOutcome::Kind::kUpdated ? 1 : 0;
            lines.push_back(OutcomeLine(outcome, options));
            continue;
        }
        // A refused ticker is named as the file writes it.
        const std::string who = files[i].refused ? plan.jobs[i].ticker : outcome.symbol;
        const JobResult& result = outcome.result.job;
        // What the job did not say through its sink.
        if (result.messages.empty() || result.Succeeded()) {
            Report(files[i].refused ? outcome.reason : who + ": " + outcome.reason);
        }
        lines.push_back(who + ": failed: " + outcome.reason);
    }
    const auto total = plan.jobs.size();
    const auto failed = static_cast<int>(total) - succeeded;
    const std::string tickers = std::to_string(total) + " ticker" + (total == 1 ? "" : "s");
    const std::string failures = failed > 0 ? ", " + std::to_string(failed) + " failed" : "";
    if (options.update) {
        std::cout << "Updated " << request.input << " into " << settings.pathOut << ": " << updated
                  << " of " << tickers << " updated, " << succeeded - updated << " added"
                  << failures << ".\n";
    } else {
        std::cout << "Converted " << request.input << " into " << settings.pathOut << ": "
                  << succeeded << " of " << tickers << " added" << failures << ".\n";
    }
    for (const std::string& line : lines) {
        std::cout << line << "\n";
    }
    return failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace torvan::cli
