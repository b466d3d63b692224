// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/PriceLine.h"
#include "settings/ImportSettings.h"

namespace torvan {

// How sure detection is of one choice.
enum class Confidence {
    kSure,    // the file leaves no other reading
    kLikely,  // another reading fits the sample, but this one fits it best
    kGuess,   // nothing in the file decides; a convention chose
};

// One proposed setting, shown to the user.
struct DetectedChoice {
    std::string setting;  // "delimiter", "date column", "close column", ...
    std::string value;    // the proposed value as the user reads it
    Confidence confidence = Confidence::kSure;
    std::string reason;  // why, when it is not sure
};

// What detection read from a price file.
struct Detection {
    // False when no settings can convert the file; whyNot says why.
    bool convertible = false;
    std::string whyNot;
    // The proposed reading settings. Output directory, symbol, name and the
    // master choice are left at their defaults: the file cannot tell them.
    ImportSettings settings;
    std::vector<DetectedChoice> choices;
    std::vector<std::string> warnings;
    // The names of the header row the columns were named from, if any.
    std::vector<std::string> columnNames;
    long linesInFile = 0;
    // Intraday bars: the column of their time (0-based), or the time after
    // the date in the date column; -1 and false for daily lines.
    int timeColumn = -1;
    bool timeInDate = false;
};

// Reads the first few hundred lines of path, and the last few (for a
// footer and the order), and proposes the settings that convert it.
Detection DetectLayout(const std::string& path);

// The same from lines already read (line ends removed): head holds the
// file's first lines, tail the lines after them up to the file's end or,
// for a long file, its last lines; totalLines counts every line.
Detection DetectLayout(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                       long totalLines);

// Copies the settings detection decides (everything about reading the
// file) from one settings value to another, leaving the output directory,
// symbol, name and master choice of the target alone.
void TakeReadingSettings(const ImportSettings& from, ImportSettings& to);

// The line layout of settings, columns made 0-based. dateCode is the date
// format's list position.
LineLayout LayoutOf(const ImportSettings& settings, int dateCode);

// One line of a preview, as the conversion would see it.
struct PreviewRow {
    long line = 0;  // 1-based line number in the file as it is now
    LineKind kind = LineKind::kEmpty;
    float date = 0;  // stored date, (year - 1900) * 10000 + month * 100 + day
    std::array<float, kFieldSlots> values{};
    bool missingColumns = false;
};

// The first count lines that settings would convert from path, in the order
// a conversion would store them (reversed for a newest-first file), price
// records and lines that would be skipped alike; empty lines, skipped rows
// and footer lines left out. Reads the file only; changes nothing.
std::vector<PreviewRow> PreviewLines(const std::string& path, const ImportSettings& settings,
                                     std::size_t count);

// Human-readable name of a "Delimiter" value.
const char* DelimiterName(int delimiter);

}  // namespace torvan
