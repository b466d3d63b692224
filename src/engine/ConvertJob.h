// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/BatchScope.h"
#include "engine/Converter.h"

namespace torvan {

// A conversion as a job of a batch: the creator fills job as for a run of
// its own; Plan runs its stages inside the batch's lock, transaction and
// indexes.
class CConvertJob : public IBatchJob {
  public:
    CConverter job;

    int Plan(BatchScope& scope) override;
    void Stopped(Message message, Outcome outcome) override;
    const JobResult& Result() const override { return m_result; }
    // A job that makes a new MASTER goes in place before the others, which
    // then add to that MASTER.
    bool Alone(const BatchScope& scope) const override {
        return job.m_bExistingMaster == 0 && !scope.indexes.loaded;
    }

  private:
    JobResult m_result;
};

// The work files the conversions of a batch would make for the next count
// securities that MASTER takes, by the numbers it leaves free; none before
// a job has read the folder's indexes. Named in the journal ahead of the
// jobs, they spare each job a journal write of its own: a guess that
// misses costs only that write. Files already there are left out, as
// they are not the batch's to remove.
std::vector<std::string> LikelyWorkFiles(const BatchScope& scope, std::size_t count);

}  // namespace torvan
