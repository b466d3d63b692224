// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "database/DatabaseReader.h"
#include "database/Mbf.h"
#include "engine/Converter.h"
#include "engine/JobResult.h"
#include "platform/FileSystem.h"
#include "platform/FileTransaction.h"

namespace torvan {

class DirectoryLock;

// What an update did, for the front end to show.
struct UpdateResult {
    // Outcome, skipped and short lines, the first and last date written
    // and every message. recordsWritten counts the records added (with
    // kReplaceAll, the records the security holds now).
    JobResult job;
    bool added = false;  // the symbol was not there: it was added as a new security
    int skipped = 0;     // days of the file equal to what is stored
    int differing = 0;   // days on or before the last stored date that differ from it
    float firstDiffering = 0;
    int replaced = 0;  // with kReplace: stored days replaced, or put among them
};

// Adds the days of a price file that come after a security's last stored
// date to it: the records are appended to its price file in place and the
// dates of every index that lists it are set; nothing else in the folder
// changes. A symbol the database does not hold is added as a new security
// by a conversion. The creator fills m_job as for a conversion (input,
// reading options, database, symbol, name, sink), calls Run once and
// discards the job.
class CUpdater {
  public:
    enum class Overlap {
        kKeep,        // days that differ from the stored ones are kept as stored
        kReplace,     // ... are replaced by the file's; days missing are put in
        kReplaceAll,  // the security's whole history becomes the file's
    };
    // Stage's status when the database does not hold the symbol.
    static constexpr int kAbsent = 2;

    CUpdater() = default;
    CUpdater(const CUpdater&) = delete;
    CUpdater& operator=(const CUpdater&) = delete;

    // 0 when the update (or the addition) succeeded, non-zero otherwise.
    // Takes the database's lock, clears away what an interrupted run left,
    // and commits all or nothing.
    int Run();
    // For a caller that holds the database's lock (and has recovered the
    // folder): plans the update into transaction, which the caller commits
    // or aborts; the price file is extended in place under the
    // transaction's journal, so an abort takes it back. 0 when planned (or
    // nothing is to change), kAbsent when the database does not hold the
    // symbol (nothing done: the caller adds it), 1 after a failure told
    // through the job's sink.
    int Stage(FileTransaction& transaction);
    const UpdateResult& Result() const { return m_result; }

    // The conversion's settings and sink; adds the security when it is new.
    CConverter m_job;
    Overlap m_overlap = Overlap::kKeep;

  private:
    // One price line of the file, in the security's terms.
    struct Day {
        long line = 0;
        float date = 0;  // as stored
        std::array<Bytes4, kFieldSlots> values{};
        bool shortLine = false;
    };
    // The security's price file as found.
    struct Stored {
        std::string path;
        FileStamp seen;
        std::string header;  // its first record
        std::uint64_t count = 0;
        float first = 0;
        float last = 0;
    };
    // What the file changes: records to append, or the price file's new
    // content, and the dates the indexes get.
    struct Plan {
        std::string appended;
        std::string rewritten;
        bool rewrite = false;
        int recordsAdded = 0;
        float first = 0;
        float last = 0;
        bool firstChanged = false;  // set in every index, not only where empty
    };

    int LockDatabase(DirectoryLock& lock);
    int Commit(FileTransaction& transaction);
    // Finds the security and the fields its records hold.
    int FindSecurity();
    int ReadInput();
    int ReadStored();
    // The stored records from the first one dated on or after from to the
    // end; index is the first one's.
    int ReadStoredTail(float from, std::uint64_t& index, std::string& tail);
    int PlanAppend(Plan& plan);
    // Sorts the file's days on or before the last stored date into equal,
    // differing and, with kReplace, patched into tail or inserted.
    void CompareOverlap(const std::vector<const Day*>& overlap, std::string& tail,
                        std::vector<std::string>& inserted);
    int PlanReplaceAll(Plan& plan);
    int PlanReplace(Plan& plan, const std::string& tail, std::uint64_t tailIndex,
                    std::vector<std::string> inserted);
    int StageIndexes(FileTransaction& transaction, const Plan& plan,
                     std::vector<std::pair<std::string, std::string>>& works);
    int StageData(FileTransaction& transaction, const Plan& plan);
    std::string Record(const Day& day) const;
    bool FileHas(std::size_t slot) const;
    int TooMany(long line);
    void ReportFields(int records);

    UpdateResult m_result;
    std::string m_directory;
    SecurityEntry m_entry;
    std::vector<std::size_t> m_slots;  // the security's field slots, in record order
    std::size_t m_recordSize = 0;
    std::vector<Day> m_days;
    Stored m_stored;
    bool m_written = false;
};

}  // namespace torvan
