// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "detect/Detect.h"
#include "settings/ImportSettings.h"

namespace torvan::cli {

// The "convert" options that give settings, in the order convert --help
// lists them, for the input file input ("--db DIR --symbol SYMBOL" stand
// for what the file cannot tell).
// timeColumn: the 1-based column of an intraday file's time (the date's
// column when the time follows the date there), 0 for none.
std::string ConvertCommand(const std::string& input, const ImportSettings& settings,
                           int timeColumn = 0);

// The 1-based column of the time detection found, 0 for none.
int TimeColumnOf(const Detection& detection);

// The distinct tickers of a file with a ticker column: how many, and the
// first few the file names.
struct TickerSummary {
    std::size_t count = 0;
    std::vector<std::string> first;
};
TickerSummary SummariseTickers(const std::string& input, const ImportSettings& settings);

// "sure", "likely" or "guess".
const char* ConfidenceText(Confidence confidence);

// Runs "inspect": the proposed settings as convert options, the choices
// with their confidence, the first rows as they would be stored and the
// warnings. Returns the exit status.
int RunInspect(const std::string& input, int rows);

}  // namespace torvan::cli
