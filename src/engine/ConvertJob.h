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

  private:
    JobResult m_result;
};

}  // namespace torvan
