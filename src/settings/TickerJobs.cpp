// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TickerJobs.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unordered_map>

#include "database/Dates.h"
#include "engine/TextReader.h"
#include "platform/MessageCatalogue.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// The ticker as a message can show it: control characters as \xNN.
std::string Shown(const std::string& ticker) {
    std::string out;
    for (const char c : ticker) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

TickerJob MakeJob(const ImportSettings& settings, const std::string& ticker) {
    TickerJob job;
    job.ticker = ticker;
    job.settings = settings;
    job.settings.ticker = ticker;
    // As a symbol typed into the settings is taken.
    job.settings.symbol = ToUpperAscii(std::string(TrimRight(ticker)));
    if (job.settings.name.empty()) {
        job.settings.name = ticker;
    }
    // Cut, two long tickers could become one security.
    if (job.settings.symbol.size() > kMaxSymbolLength || HasControlCharacter(ticker)) {
        job.refused = MakeMessage(MessageId::kTickerNotASymbol,
                                  {Shown(ticker), std::to_string(kMaxSymbolLength)});
    }
    return job;
}

// Runs one ticker's job, its messages kept in the outcome.
TickerOutcome RunTicker(TickerJob& ticker, const std::string& inputPath) {
    TickerOutcome outcome;
    outcome.symbol = ticker.refused ? Shown(ticker.ticker) : ticker.settings.symbol;
    if (ticker.refused) {
        outcome.reason = ticker.refused->text;
        return outcome;
    }
    ImportSettings& settings = ticker.settings;
    int dateCode = kFormatNone;
    if (auto problem = CheckForRun(settings, inputPath, dateCode, NameLimitFor(settings))) {
        outcome.reason = problem->message.text;
        return outcome;
    }
    outcome.symbol = settings.symbol;
    int status = 0;
    if (settings.update != 0) {
        CUpdater job;
        settings.ApplyTo(job, inputPath, dateCode);
        status = job.Run();
        outcome.result = job.Result();
        outcome.added = outcome.result.added;
        outcome.inXMaster = outcome.result.inXMaster;
    } else {
        CConverter job;
        settings.ApplyTo(job, inputPath, dateCode);
        status = job.Run();
        outcome.result.job = job.Result();
        outcome.added = true;
        outcome.inXMaster = job.m_bInXMaster;
    }
    outcome.succeeded = status == 0;
    if (!outcome.succeeded) {
        const std::vector<Message>& said = outcome.result.job.messages;
        outcome.reason =
            said.empty() ? MessageText(MessageId::kConversionFailed) : said.back().text;
    }
    return outcome;
}

// Tickers that differ only in case (or trailing blanks) would be one
// symbol, which a database cannot hold twice: which lines are whose is not
// ours to guess, so neither is converted.
void RefuseSameSymbols(std::vector<TickerJob>& jobs) {
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].refused) {
            continue;
        }
        const auto [at, added] = first.try_emplace(jobs[i].settings.symbol, i);
        if (added) {
            continue;
        }
        TickerJob& earlier = jobs[at->second];
        const std::string symbol = jobs[i].settings.symbol;
        const std::vector<std::string> both = {Shown(earlier.ticker), Shown(jobs[i].ticker),
                                               symbol};
        jobs[i].refused = MakeMessage(MessageId::kTickersDifferInCase, both);
        if (!earlier.refused) {  // named with the first it meets
            earlier.refused = MakeMessage(MessageId::kTickersDifferInCase, both);
        }
    }
}

}  // namespace

std::vector<TickerOutcome> RunTickerPlan(TickerPlan& plan, const std::string& inputPath,
                                         IProfileWriter* profile) {
    std::vector<TickerOutcome> outcomes;
    std::string directory;
    for (TickerJob& ticker : plan.jobs) {
        // A new MASTER is made once, by the first job that lands.
        if (!directory.empty()) {
            ticker.settings.newMaster = 0;
        }
        outcomes.push_back(RunTicker(ticker, inputPath));
        if (outcomes.back().succeeded && directory.empty()) {
            directory = outcomes.back().result.job.databaseDirectory;
        }
    }
    // Symbol and name are each ticker's own, so only where from and to.
    if (profile != nullptr && !directory.empty()) {
        profile->WriteEntries({{"Import", "PathIn", inputPath}, {"Import", "PathOut", directory}});
    }
    return outcomes;
}

TickerPlan PlanTickerJobs(const ImportSettings& settings, const std::string& inputPath) {
    TickerPlan plan;
    LineLayout layout;
    layout.delimiter = DelimiterChar(settings.delimiter);
    layout.csv = settings.csv != 0;
    layout.tickerColumn = settings.tickerCol - 1;
    TextReader input;
    if (!input.Open(inputPath)) {
        plan.failed = MakeMessage(MessageId::kCannotOpenInputFile, {inputPath});
        return plan;
    }
    std::unordered_map<std::string, std::size_t> known;
    // Lines are counted once the footer that may follow them is known.
    auto take = [&](long number, const std::string& ticker, std::string& line) {
        if (ticker.empty()) {
            plan.firstLineWithoutTicker =
                plan.linesWithoutTicker++ == 0 ? number : plan.firstLineWithoutTicker;
            return;
        }
        const auto [at, added] = known.try_emplace(ticker, plan.jobs.size());
        if (added) {
            plan.jobs.push_back(MakeJob(settings, ticker));
        }
        TickerJob& job = plan.jobs[at->second];
        ++job.lines;
        job.inputLines->emplace_back(number, std::move(line));
    };
    const std::size_t footer = static_cast<std::size_t>(std::max(0, settings.footerRows));
    const long skip = settings.skipOn != 0 ? settings.skipRows : 0;
    struct Held {
        long number;
        std::string ticker;
        std::string line;
    };
    std::deque<Held> held;
    std::string line;
    long number = 0;
    while (input.ReadLine(line)) {
        if (++number <= skip) {
            continue;
        }
        StripLineEnd(line);
        PriceLine read = ReadPriceLine(line, layout);
        if (read.kind == LineKind::kEmpty) {
            continue;
        }
        held.push_back({number, std::move(read.ticker), std::move(line)});
        if (held.size() > footer) {
            take(held.front().number, held.front().ticker, held.front().line);
            held.pop_front();
        }
    }
    input.Close();
    RefuseSameSymbols(plan.jobs);
    if (input.Failed()) {
        plan = TickerPlan{};
        plan.failed =
            input.Problem() == ReadProblem::kLineTooLong
                ? MakeMessage(MessageId::kLineTooLong, {std::to_string(input.LineNumber()),
                                                        inputPath, std::to_string(kMaxLineBytes)})
                : MakeMessage(MessageId::kCannotReadInputFile, {inputPath});
    }
    return plan;
}

}  // namespace torvan
