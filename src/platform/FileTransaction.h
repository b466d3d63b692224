// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/LockFile.h"

namespace torvan {

// Several files replaced as one: a reader, a failure or a killed process
// never leaves some of them new and others old for longer than it takes the
// next transaction in the same directory to start.
//
// Work files are written under names of their own and put in place by
// renames at Commit. A journal file in the transaction's directory says what
// is under way, and is itself always replaced whole:
//   stage   work files are being written; recovery removes them.
//   commit  every work file is complete; recovery finishes the renames,
//           unless a target was changed by someone else meanwhile, in which
//           case it takes back those already done.
//   undo    a rename failed and the ones done are being taken back;
//           recovery finishes that.
// Before the renames, each existing target gets a second name (a hard link,
// or a copy) ending in kOldSuffix, so that a rename can be taken back.
//
// Only files named in the journal are ever removed or renamed by recovery,
// and a target is only taken back while it is still the file this
// transaction put there. A step is only taken for done when its target is
// the file its work file was: a work file that cannot be found is no proof
// of a rename, as its folder may just be out of reach (moved, or on a disk
// that is not there), and then the journal stays until it is back.
//
// A file of the folder may also be extended in place (a price file that
// only gets records appended and its first bytes rewritten), so that the
// cost is that of the new records, not of a copy. The journal names it with
// its identity, size and first bytes before anything is written; an
// aborted, uncommitted or undone transaction cuts it back to that size and
// puts those bytes back, but only while it is still the file that was
// extended (the same file, no shorter than it was, no longer than planned).
//
// Files outside the journal's folder (an input being rewritten) may be used
// by a transaction of another folder too: a lock named in the journal keeps
// the two apart, and recovery takes it as well.
class FileTransaction {
  public:
    static constexpr const char* kJournalName = ".torvan-journal";
    static constexpr const char* kOldSuffix = ".~OLD";
    static constexpr const char* kLockSuffix = ".~LK";

    enum class Error {
        kNone,
        kJournal,  // the journal could not be written or removed
        kChanged,  // a target was changed by someone else since it was planned
        kPrepare,  // the second name of an old target could not be made
        kReplace,  // a work file could not be put in place; all was taken back
        kUndo,     // ... and taking back failed too: the next Recover finishes it
    };

    // Why Recover left a journal where it was.
    enum class Stuck {
        kNone,
        kFailed,      // a file could not be renamed or removed
        kForeign,     // the journal is not one this user's runs could have written
        kInUse,       // another transaction holds a lock the journal names
        kOutOfReach,  // a file the journal names, or its folder, cannot be found
    };

    // The journal lives in directory; the files may lie anywhere on the
    // same machine (a file beside the input, say).
    explicit FileTransaction(std::string directory);
    // A transaction inside parent, for one job of several that are put in
    // place together (a batch): the files it tracks and the locks it takes
    // are named in parent's journal, its Commit hands its steps to parent
    // (put in place at parent's Commit), and its Abort removes only the
    // files it made that none of parent's steps needs. parent outlives it.
    explicit FileTransaction(FileTransaction& parent);
    // Aborts a transaction that was not committed.
    ~FileTransaction();
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    // Names files the transaction is about to create. They are in the
    // journal when this returns true, so a process killed after it leaves
    // nothing that the next Recover does not remove.
    bool Track(const std::vector<std::string>& paths);

    // Plans to put the complete file work in place of target at Commit, in
    // the order planned (optional steps after all others). target's present
    // state is noted: if it has changed by the time of Commit, nothing is put
    // in place. A failure to put an optional step in place only drops it.
    // Work files are tracked by this call (written to the journal with the
    // next Track or at Commit); write them only after a Track.
    void PlanReplace(const std::string& work, const std::string& target, bool optional = false);
    // The same with the target's state as the caller saw it when it read it.
    void PlanReplace(const std::string& work, const std::string& target, const FileStamp& seen,
                     bool optional = false);

    // Plans to extend target, a price file F<n>.DAT or F<n>.MWD in the
    // journal's folder, in place to finalSize bytes, rewriting at most its
    // first headerBytes bytes. seen is the file as the caller read it.
    // True once the journal names it with its present state: write to it
    // only then, and have it on disk before Commit. False (LastError()
    // kChanged when it is no longer as seen, kJournal or kPrepare;
    // FailedPath()) when it cannot be planned; nothing was written then.
    bool PlanExtend(const std::string& target, const FileStamp& seen, std::uint64_t finalSize,
                    std::size_t headerBytes);

    // Takes the lock at lockPath (a lock file beside a file outside the
    // folder) and holds it until the transaction ends. The journal names it
    // first, so that recovery takes it too. Anything but kLocked means the
    // caller must stop: LastError() is then kJournal when the journal could
    // not be written, and LockError() the system's error of a lock file that
    // could not be made.
    LockFile::Result Guard(const std::string& lockPath);
    int LockError() const { return m_lockError; }

    // Has Commit flush every work file to disk, all together, before the
    // renames, instead of each writer flushing its own: while the
    // transaction lives, flushes of its tracked work files on this thread
    // are deferred (see SyncDeferralScope).
    void DeferWorkFileSyncs();

    // Puts every planned work file in place. False when that failed: then
    // nothing of it is in place (unless Error() is kUndo) and FailedPath()
    // names the file that failed.
    bool Commit();

    // Removes every file the transaction created, then its journal.
    bool Abort();

    Error LastError() const { return m_error; }
    const std::string& FailedPath() const { return m_failedPath; }
    // The journal of directory.
    static std::string JournalPath(const std::string& directory);

    // Finishes what an interrupted transaction left in directory: rolls a
    // committed one forward (or back, see above), removes the work files of
    // one that had not committed, and removes its journal. True when nothing
    // is left to do; otherwise failedPath names the file that could not be
    // handled and the journal stays for another try. A journal that names
    // anything else than work files (and, for a step, a work file put in
    // place beside its target) is refused with failedPath naming it, and so
    // is one that names files outside directory unless only this user could
    // have written it. why tells what kept the journal.
    static bool Recover(const std::string& directory, std::string& failedPath);
    static bool Recover(const std::string& directory, std::string& failedPath, Stuck& why);

  private:
    struct Step {
        std::string work;
        std::string target;
        bool optional = false;
        FileStamp prior;    // the target when the step was planned
        FileStamp written;  // the complete work file
    };
    struct Extension {
        std::string target;
        std::string identity;  // device and inode when planned
        FileStamp prior;       // before anything was written
        std::uint64_t finalSize = 0;
        std::string header;  // its first bytes before anything was written
        FileStamp written;   // complete, as Commit found it
    };
    enum class Phase { kStage, kCommit, kUndo };
    // What a journal says.
    struct Journal {
        Phase phase = Phase::kStage;
        std::vector<std::string> tracked;
        std::vector<Step> steps;
        std::vector<std::string> locks;
        std::vector<Extension> extensions;
    };
    // Where recovery stopped, and why.
    struct Failure {
        std::string path;
        Stuck why = Stuck::kNone;
        bool Set(const std::string& failed, Stuck reason) {
            path = failed;
            why = reason;
            return false;
        }
    };
    using HeldLocks = std::vector<std::unique_ptr<LockFile>>;

    static std::string Serialize(const std::string& directory, const Journal& journal);
    static bool Parse(const std::string& directory, const std::string& text, Journal& journal);
    // Whether the journal names only what a run of ours could have left:
    // see Recover.
    static bool Admissible(const std::string& directory, const Journal& journal);
    static bool WriteJournal(const std::string& directory, const Journal& journal,
                             std::string& failedPath);
    Journal Current(Phase phase, bool withSteps) const;
    // Takes every lock the journal names, or none.
    static bool TakeLocks(const std::vector<std::string>& locks, HeldLocks& held, Failure& failure);
    static void Release(HeldLocks& held);
    // Rolls a committed journal forward, or turns it into an undo one when
    // a target was changed or a work file lost; false when it must wait.
    static bool Finish(const std::string& directory, Journal& journal, Failure& failure);
    static bool RollForward(std::vector<Step>& steps, std::string& failedPath);
    static void SyncTargetDirectories(const std::vector<Step>& steps);
    static bool Undo(const std::vector<Step>& steps, Failure& failure);
    // Cuts every extension back that is still the file extended.
    static bool CutBack(const std::vector<Extension>& extensions, Failure& failure);
    // Removes the tracked files still there, then the journal.
    static bool Clear(const std::string& directory, const std::vector<std::string>& tracked,
                      Failure& failure);
    bool Fail(Error error, const std::string& path);
    void AddTracked(const std::string& path);

    // A child's own tracked files, which its Abort removes.
    bool Tracks(const std::string& path) const;
    // Takes over a child's step; one with the same target replaces the
    // earlier one's work but keeps its prior state.
    void Adopt(const Step& step);

    FileTransaction* m_parent = nullptr;
    std::unique_ptr<SyncDeferralScope> m_deferral;
    std::string m_directory;
    std::vector<std::string> m_tracked;
    std::vector<Step> m_steps;
    std::vector<std::string> m_locks;
    std::vector<Extension> m_extensions;
    HeldLocks m_held;
    int m_lockError = 0;
    bool m_journalWritten = false;
    bool m_journalCurrent = true;  // the journal lists every tracked file
    bool m_finished = false;
    Error m_error = Error::kNone;
    std::string m_failedPath;
};

}  // namespace torvan
