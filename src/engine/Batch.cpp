// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Batch.h"

#include <optional>

#include "engine/Converter.h"
#include "platform/DirectoryLock.h"

namespace torvan {
namespace {

// Why a commit failed, as a single conversion tells it.
Message CommitFailure(const FileTransaction& transaction) {
    const std::string& path = transaction.FailedPath();
    switch (transaction.LastError()) {
        case FileTransaction::Error::kChanged:
            return MakeMessage(MessageId::kFileChangedMeanwhile, {path});
        case FileTransaction::Error::kJournal:
            return MakeMessage(MessageId::kCannotWriteJournal, {path});
        case FileTransaction::Error::kUndo:
            return MakeMessage(MessageId::kCannotRestoreReplacedFiles, {path});
        case FileTransaction::Error::kPrepare:
            return MakeMessage(MessageId::kCannotWriteTemporaryFile, {path});
        case FileTransaction::Error::kReplace:
        case FileTransaction::Error::kNone:
            break;
    }
    return MakeMessage(MessageId::kCannotReplaceFile, {path});
}

// Writes a work file whole; its flush is the transaction's, at Commit.
bool WriteIndexWork(const std::string& path, const std::string& content) {
    File out;
    bool ok = out.Open(path, File::Mode::Write) && out.Write(content) && out.Flush(true);
    return out.Close() && ok;
}

}  // namespace

std::size_t CBatch::Run() {
    // The jobs make the folder's path absolute; the batch's transaction
    // must name the same one.
    std::string directory = AbsoluteDirectory(m_directory);
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    DirectoryLock lock;
    CConverter locker;  // for its lock and recovery, and their messages
    locker.m_szPathOut = directory.empty() ? m_directory : directory;
    locker.m_pSink = m_pSink;
    if (locker.LockDatabase(lock) != 0) {
        for (const auto& job : m_jobs) {
            job->Stopped(locker.Result().messages.back(), Outcome::kRefused);
        }
        return m_jobs.size();
    }
    std::optional<DirectoryListingScope> listing;
    if (lock.Held()) {
        listing.emplace(directory);
    }
    BatchScope scope;
    scope.directory = directory;
    std::size_t next = 0;
    while (next < m_jobs.size()) {
        FileTransaction transaction(directory);
        transaction.DeferWorkFileSyncs();
        scope.transaction = &transaction;
        const auto start = std::chrono::steady_clock::now();
        std::vector<IBatchJob*> planned;
        do {
            IBatchJob& job = *m_jobs[next++];
            if (job.Plan(scope) == 0) {
                planned.push_back(&job);
            }
            if (m_progress) {
                m_progress(next, m_jobs.size());
            }
        } while (next < m_jobs.size() && std::chrono::steady_clock::now() - start < m_commitEvery);
        const bool goOn = Commit(scope, transaction, planned);
        scope.transaction = nullptr;
        if (!goOn) {
            // What the failed commit left must be cleared before another
            // journal may be written: the rest is refused.
            for (; next < m_jobs.size(); ++next) {
                m_jobs[next]->Stopped(m_jobs[next - 1]->Result().messages.back(),
                                      Outcome::kRefused);
            }
        }
    }
    std::size_t failed = 0;
    for (const auto& job : m_jobs) {
        failed += job->Result().Succeeded() ? 0 : 1;
    }
    return failed;
}

bool CBatch::Commit(BatchScope& scope, FileTransaction& transaction,
                    const std::vector<IBatchJob*>& planned) {
    FolderIndexes& indexes = scope.indexes;
    if (planned.empty()) {
        return transaction.Abort();
    }
    std::optional<Message> failure;
    for (const auto& [path, content] : indexes.workFiles) {
        if (!failure && !WriteIndexWork(path, content)) {
            failure = MakeMessage(MessageId::kCannotWriteTemporaryFile, {path});
        }
    }
    if (!failure && !transaction.Commit()) {
        failure = CommitFailure(transaction);
    }
    indexes.workFiles.clear();
    if (failure) {
        transaction.Abort();
        for (IBatchJob* job : planned) {
            job->Stopped(*failure, Outcome::kFailed);
        }
        // The folder is as it was before these jobs: read it again.
        indexes = FolderIndexes{};
        std::string stuck;
        return FileTransaction::Recover(scope.directory, stuck);
    }
    // The next commit checks the indexes against what this one left.
    for (SideIndex* side : {&indexes.emaster, &indexes.xmaster}) {
        side->seen = StampOf(side->path);
        side->existed = side->present;
    }
    return true;
}

}  // namespace torvan
