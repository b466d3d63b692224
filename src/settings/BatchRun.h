// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/JobResult.h"
#include "engine/Updater.h"
#include "settings/ImportSettings.h"
#include "settings/TickerJobs.h"

namespace torvan {

// One security to make or keep current in a run of many: a price file, or
// one ticker of a file that holds many.
struct BatchFile {
    std::string input;        // as the user named it
    ImportSettings settings;  // how to read it, the database, symbol and name
    // Job options beyond the settings (intraday bars, index growth); may
    // be empty.
    std::function<void(CConverter&)> adjust;
    // Its lines, read already (a ticker's of a file that holds many); the
    // input is read when null.
    std::shared_ptr<const InputLines> lines;
    // Set when the file cannot be run at all (its settings could not be
    // made): it fails with this reason and the others go on.
    std::optional<std::string> refused;
};

// How one file of a run ended.
struct BatchOutcome {
    enum class Kind { kAdded, kUpdated, kFailed };
    std::string input;
    std::string symbol;
    std::string ticker;  // of a file that holds many; empty otherwise
    Kind kind = Kind::kFailed;
    // Records written, first and last date, skipped lines, messages.
    // For an update also how its days met the stored ones.
    UpdateResult result;
    std::string reason;  // why it failed, on one line

    bool Succeeded() const { return kind != Kind::kFailed; }
};

struct BatchOptions {
    // Update securities that are there (and add the others) instead of
    // adding every file as a new security.
    bool update = false;
    CUpdater::Overlap overlap = CUpdater::Overlap::kKeep;
    // Told after each file: how many are done, of how many.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Set from any thread to stop after the file under way; the files done
    // stay in the database.
    const std::atomic<bool>* cancel = nullptr;
    // Where a file's messages go, made for its symbol; none when empty or
    // null (they are kept in its outcome).
    std::function<std::unique_ptr<IMessageSink>(const std::string& symbol)> sinkFor;
    // Where the run's own messages go (the folder cannot be locked).
    IMessageSink* sink = nullptr;
    std::chrono::milliseconds commitEvery{1000};
};

// Runs the files into the database of the first file's settings with one
// lock: each file on its own all or nothing, put in place in few commits.
// One outcome per file, in order. A file whose settings do not pass the
// checks of a run fails alone; so does a success that readers cannot find
// in the folder afterwards.
std::vector<BatchOutcome> RunBatch(const std::vector<BatchFile>& files,
                                   const BatchOptions& options);

// A symbol from a file's name: the name without its extension, upper-cased.
std::string SymbolOfFileName(const std::string& input);

// The inputs as files of a run with settings, each with the symbol (and
// name) of its file name. A folder without MASTER gets a new one, made by
// the first file that lands.
std::vector<BatchFile> FilesNamedBySymbol(const ImportSettings& settings,
                                          const std::vector<std::string>& inputs);

// The files of plan's tickers: each as file, reading its ticker, with the
// symbol and name the plan gave it; a ticker the plan refused fails.
std::vector<BatchFile> TickerFiles(const TickerPlan& plan, const BatchFile& file);

}  // namespace torvan
