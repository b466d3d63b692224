// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/BatchScope.h"
#include "platform/MessageCatalogue.h"

namespace torvan {

// Many jobs into one database folder in one run: one lock of the folder,
// one listing of it, and their files put in place together by few commits
// that flush all their work files at once, instead of one commit and a
// dozen flushes per job. Each job is all or nothing on its own: one that
// fails leaves nothing planned, and the others go on.
//
// A commit puts in place the jobs planned since the one before, at the
// latest once m_commitEvery of work has gone by, so that a batch killed
// half way loses no more than that work: every security of it is either
// absent or complete, never half there, as for a single conversion.
class CBatch {
  public:
    explicit CBatch(std::string directory) : m_directory(std::move(directory)) {}
    CBatch(const CBatch&) = delete;
    CBatch& operator=(const CBatch&) = delete;

    void Add(std::unique_ptr<IBatchJob> job) { m_jobs.push_back(std::move(job)); }
    const std::vector<std::unique_ptr<IBatchJob>>& Jobs() const { return m_jobs; }

    // Runs every job in the order added; the number that failed.
    std::size_t Run();

    // Told after each job: how many are done, of how many.
    std::function<void(std::size_t done, std::size_t total)> m_progress;
    // The most work one commit holds; 0 commits after every job.
    std::chrono::milliseconds m_commitEvery{1000};
    // Where the batch's own messages go (the folder cannot be locked).
    IMessageSink* m_pSink = nullptr;

  private:
    // Puts the jobs planned into scope's transaction in place; on a failure
    // every one of them is told, and the indexes are read again. False when
    // the batch cannot go on (what the failure left could not be cleared).
    bool Commit(BatchScope& scope, FileTransaction& transaction,
                const std::vector<IBatchJob*>& planned);

    std::string m_directory;
    std::vector<std::unique_ptr<IBatchJob>> m_jobs;
};

}  // namespace torvan
