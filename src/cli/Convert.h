// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>

#include "settings/ImportSettings.h"

namespace torvan::cli {

// Names of the field slots in --columns, in slot order.
inline constexpr std::array<const char*, kFieldSlots> kColumnNames = {
    "date", "open", "high", "low", "close", "vol", "oi"};

// The options of "convert" as given on the command line; an option that
// was not given is empty, so that it leaves the starting settings alone.
struct ConvertRequest {
    std::string input;
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

// Runs "convert"; returns the exit status.
int RunConvert(const ConvertRequest& request);

}  // namespace torvan::cli
