// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "platform/Message.h"

namespace torvan {

// How a conversion ended.
enum class Outcome {
    kConverted,              // every line stored
    kConvertedWithWarnings,  // stored, but some lines were skipped or short
    kFailed,                 // stopped after it began writing; nothing of it was kept
    kRefused,                // stopped by a check before anything was written
};

// What a conversion did, for the front end to show.
struct JobResult {
    Outcome outcome = Outcome::kRefused;
    int recordsWritten = 0;
    int linesWithoutDate = 0;      // skipped: no valid date in the chosen format
    int linesWithoutPrice = 0;     // skipped: a date but no open, high, low or close
    int linesMissingColumns = 0;   // stored with their missing fields as 0
    int firstLineWithoutDate = 0;  // 1-based input line numbers, 0 when none
    int firstLineWithoutPrice = 0;
    int firstLineMissingColumns = 0;
    // Left out: their date (and time) repeats or goes back, which readers
    // cannot chart.
    int linesOutOfOrder = 0;
    int firstLineOutOfOrder = 0;
    float firstDate = 0;  // stored dates, (year - 1900) * 10000 + month * 100 + day; 0 when none
    float lastDate = 0;
    // Intraday securities: the bar interval in minutes and the first and
    // last times as HHMMSS; 0 and -1 for daily data.
    int barMinutes = 0;
    long firstTime = -1;
    long lastTime = -1;
    int fileNumber = 0;             // the new security's F<n>, 0 when none was kept
    std::string databaseDirectory;  // absolute, as written
    std::vector<Message> messages;  // every message the job showed, in order

    bool Succeeded() const {
        return outcome == Outcome::kConverted || outcome == Outcome::kConvertedWithWarnings;
    }
};

}  // namespace torvan
