// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Message.h"
#include "settings/ImportSettings.h"

namespace torvan {

// One security of a file that holds many: the settings of the job that
// converts its lines, or why it cannot be one.
struct TickerJob {
    std::string ticker;  // as the file writes it
    long lines = 0;      // the lines that carry it
    // The job's settings: the ticker to read, the symbol made of it and, for
    // an empty name, the ticker as name. Unusable when refused is set.
    ImportSettings settings;
    std::optional<Message> refused;
};

// The jobs of a file with a ticker column, one per distinct ticker in the
// order the file first names them.
struct TickerPlan {
    std::vector<TickerJob> jobs;
    long linesWithoutTicker = 0;  // non-empty lines whose ticker is empty
    long firstLineWithoutTicker = 0;
    // The input could not be read; no jobs then.
    std::optional<Message> failed;
};

// Reads inputPath once, as settings read it (rows to skip and footer left
// out), and makes a job of settings for each ticker its ticker column
// holds. Each job is a conversion of its own; run one after the other or
// together, they add one security per ticker.
TickerPlan PlanTickerJobs(const ImportSettings& settings, const std::string& inputPath);

}  // namespace torvan
