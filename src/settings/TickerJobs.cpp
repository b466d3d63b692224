// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TickerJobs.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unordered_map>

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

}  // namespace

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
    auto take = [&](long number, const std::string& ticker) {
        if (ticker.empty()) {
            plan.firstLineWithoutTicker =
                plan.linesWithoutTicker++ == 0 ? number : plan.firstLineWithoutTicker;
            return;
        }
        const auto [at, added] = known.try_emplace(ticker, plan.jobs.size());
        if (added) {
            plan.jobs.push_back(MakeJob(settings, ticker));
        }
        ++plan.jobs[at->second].lines;
    };
    const std::size_t footer = static_cast<std::size_t>(std::max(0, settings.footerRows));
    const long skip = settings.skipOn != 0 ? settings.skipRows : 0;
    std::deque<std::pair<long, std::string>> held;
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
        held.emplace_back(number, std::move(read.ticker));
        if (held.size() > footer) {
            take(held.front().first, held.front().second);
            held.pop_front();
        }
    }
    input.Close();
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
