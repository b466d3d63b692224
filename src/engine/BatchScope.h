// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/JobResult.h"
#include "platform/FileSystem.h"
#include "platform/FileTransaction.h"

namespace torvan {

// EMASTER or XMASTER as a job found it and would leave it.
struct SideIndex {
    std::string path;      // as found, or where a new one goes
    std::string content;   // as read, or as it is to be made
    bool present = false;  // there is one, or one is to be made
    bool existed = false;  // there was one before the run
    FileStamp seen;        // as it was read
    // As Commit writes it; nothing when the run leaves it alone.
    std::optional<std::string> changed;
};

// The folder's indexes as the jobs of a batch so far left them, and the
// index work files a commit of the batch writes (path, content).
struct FolderIndexes {
    bool loaded = false;  // nothing read yet: the next job reads the folder
    std::vector<std::uint8_t> master;
    SideIndex emaster;
    SideIndex xmaster;
    std::map<std::string, std::string> workFiles;
};

// What the jobs of one batch share: the database folder, locked and listed
// by the batch, the transaction that puts their files in place together,
// and the indexes.
struct BatchScope {
    std::string directory;
    FileTransaction* transaction = nullptr;
    FolderIndexes indexes;
};

// One job of a batch: it plans its work into the scope's transaction and
// indexes, and leaves both as they were when it fails.
class IBatchJob {
  public:
    IBatchJob() = default;
    virtual ~IBatchJob() = default;
    IBatchJob(const IBatchJob&) = delete;
    IBatchJob& operator=(const IBatchJob&) = delete;

    // 0 when the job's work is planned, to be put in place with the
    // others'; non-zero when the job failed (Result says why).
    virtual int Plan(BatchScope& scope) = 0;
    // The job was stopped by the batch (it could not lock the folder, or
    // the commit of the planned work failed): nothing of it was kept.
    virtual void Stopped(Message message, Outcome outcome) = 0;
    virtual const JobResult& Result() const = 0;
};

// MASTER's backup beside it, spelled as one that is already there, else
// like MASTER: "master.bak" beside "master".
std::string BackupPathOf(const std::string& masterPath);

}  // namespace torvan
