// SPDX-License-Identifier: GPL-3.0-or-later
// "convert" of a file that holds many tickers: one security per ticker.
#include <iostream>
#include <utility>
#include <vector>

#include "cli/Convert.h"
#include "cli/Output.h"
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

struct Outcome {
    bool added = false;
    std::string line;
};

Outcome Failed(const std::string& symbol, const std::string& reason) {
    return {false, symbol + ": failed: " + OneLine(reason)};
}

// Runs one ticker's job; its line of outcome.
Outcome RunTicker(const ConvertRequest& request, TickerJob& ticker, const std::string& input) {
    if (ticker.refused) {
        Report(ticker.refused->text);
        return Failed(ticker.ticker, ticker.refused->text);
    }
    ImportSettings& settings = ticker.settings;
    int dateCode = kFormatNone;
    if (auto problem = CheckForRun(settings, input, dateCode, kMaxLongName)) {
        Report(settings.symbol + ": " + problem->message.text);
        return Failed(settings.symbol, problem->message.text);
    }
    TickerSink sink(settings.symbol);
    CConverter job;
    job.m_pSink = &sink;
    settings.ApplyTo(job, input, dateCode);
    job.m_bXMaster = request.xmaster ? 1 : 0;
    job.m_bEMaster = request.emaster ? 1 : 0;
    const JobResult& result = job.Result();
    if (job.Run() != 0) {
        return Failed(settings.symbol, result.messages.empty()
                                           ? MessageText(MessageId::kConversionFailed)
                                           : result.messages.back().text);
    }
    SecurityRecords stored;
    if (!ReadBack(result.databaseDirectory, settings.symbol, result, job.m_bInXMaster, stored)) {
        const std::string why =
            MessageText(MessageId::kReadBackFailed, {settings.symbol, result.databaseDirectory});
        Report(why);
        return Failed(settings.symbol, why);
    }
    const int count = result.recordsWritten;
    std::string line = settings.symbol + ": added, " + std::to_string(count) + " record" +
                       (count == 1 ? "" : "s") + ", " + StoredDateText(result.firstDate) + " to " +
                       StoredDateText(result.lastDate);
    const int skipped = result.linesWithoutDate + result.linesWithoutPrice;
    if (skipped > 0) {
        line += ", " + std::to_string(skipped) + " line" + (skipped == 1 ? "" : "s") + " skipped";
    }
    return {true, line};
}

}  // namespace

int RunTickerJobs(const ConvertRequest& request, ImportSettings settings, const std::string& input,
                  CProfileStore* store) {
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
    std::vector<Outcome> outcomes;
    int added = 0;
    for (TickerJob& ticker : plan.jobs) {
        // A new MASTER is made once, by the first job that lands.
        if (added > 0) {
            ticker.settings.newMaster = 0;
        }
        outcomes.push_back(RunTicker(request, ticker, input));
        added += outcomes.back().added ? 1 : 0;
    }
    const auto failed = static_cast<int>(plan.jobs.size()) - added;
    std::cout << "Converted " << request.input << " into " << settings.pathOut << ": " << added
              << " of " << plan.jobs.size() << " ticker" << (plan.jobs.size() == 1 ? "" : "s")
              << " added" << (failed > 0 ? ", " + std::to_string(failed) + " failed" : "") << ".\n";
    for (const Outcome& outcome : outcomes) {
        std::cout << outcome.line << "\n";
    }
    return failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace torvan::cli
