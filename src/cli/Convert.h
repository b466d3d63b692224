// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/ImportSettings.h"

namespace torvan {
class CProfileStore;
struct JobResult;
struct SecurityRecords;
}  // namespace torvan

namespace torvan::cli {

// Names of the field slots in --columns, in slot order.
inline constexpr std::array<const char*, kFieldSlots> kColumnNames = {
    "date", "open", "high", "low", "close", "vol", "oi"};

// The options of "convert" as given on the command line; an option that
// was not given is empty, so that it leaves the starting settings alone.
struct ConvertRequest {
    std::string input;
    // Every file given; with more than one, RunConvertBatch converts them.
    std::vector<std::string> inputs;
    std::optional<std::string> database;
    std::optional<std::string> symbol;
    std::optional<std::string> name;
    std::optional<std::string> delimiter;
    std::optional<std::string> dateFormat;
    std::optional<std::string> columns;
    std::optional<int> skipRows;
    std::optional<bool> newMaster;
    std::optional<bool> reverse;
    std::optional<bool> monthNames;
    std::optional<bool> csv;
    std::optional<bool> decimalComma;
    std::optional<int> footerRows;
    // Intraday bars: the bar interval in minutes; daily bars built of them.
    // (The time column comes with --columns.)
    std::optional<int> interval;
    bool daily = false;
    bool fromProfile = false;
    // Not saved settings: they only say how the database may grow.
    bool xmaster = false;
    bool emaster = false;
    // Detection fills every reading setting that no option gives.
    bool autoDetect = false;
};

// Applies the given options on top of settings. Returns the reason when an
// option's value is unusable.
std::optional<std::string> ApplyRequest(const ConvertRequest& request, ImportSettings& settings);

// Runs "convert" of input; returns the exit status.
int RunConvert(const ConvertRequest& request);
// Runs "convert" of several inputs into one database, each file's symbol
// its name upper-cased; one line per file, exit status 1 when any failed.
int RunConvertBatch(const ConvertRequest& request);

// "convert" of a file with a ticker column (Tickers.cpp): one job per
// ticker, one line of outcome each. store, when not null, takes the
// settings as --from-profile saves them. Returns the exit status.
int RunTickerJobs(const ConvertRequest& request, ImportSettings settings, const std::string& input,
                  CProfileStore* store);

// Takes the time column out of given's --columns (timeColumn is then that
// column, 0-based; left as it is without --columns) and checks --interval;
// the reason when one is unusable.
std::optional<std::string> TakeIntradayOptions(ConvertRequest& given, int& timeColumn);
// Makes job read intraday bars with their time at timeColumn (0-based, -1
// for none), as request's --interval and --daily say.
void SetIntraday(CConverter& job, int timeColumn, const ConvertRequest& request);

// "OPTION: " of the option that gives setting; empty for none.
std::string OptionFor(Setting setting);

// Whether readers find the new security as the job wrote it: listed in
// directory under its file number and symbol with every record, and found
// by its symbol with the same number. stored then holds its first and last
// records.
bool ReadBack(const std::string& directory, const std::string& symbol, const JobResult& result,
              bool inXMaster, SecurityRecords& stored);

}  // namespace torvan::cli
