// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileTransaction.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <utility>

#include "platform/SystemFiles.h"
#include "platform/Text.h"

namespace torvan {
namespace {

constexpr const char* kMagic = "torvan-journal 1";

// Paths are kept relative to the journal's directory where they lie in it,
// so that a database folder that was moved or renamed is still recovered.
std::string Relative(const std::string& directory, const std::string& path) {
    if (ParentDirectory(path) == directory) {
        return sys::Utf8Of(sys::PathOf(path).filename());
    }
    return path;
}

// The endings of every file a run tracks: work files, old names, and the
// UTF-8 copy of a UTF-16 input.
constexpr const char* kWorkSuffixes[] = {".~NU", FileTransaction::kOldSuffix, ".~U8"};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsWorkFile(const std::string& path) {
    return std::any_of(std::begin(kWorkSuffixes), std::end(kWorkSuffixes),
                       [&path](const char* suffix) { return EndsWith(path, suffix); });
}

// A plain name in directory, as the journal stores the database's files.
bool InFolder(const std::string& directory, const std::string& path) {
    const std::string name = sys::Utf8Of(sys::PathOf(path).filename());
    return !name.empty() && name != "." && name != ".." && path == JoinPath(directory, name);
}

// A file outside it is named by its whole, plain path (the input being
// reversed); "..", "." or a relative path is never one a run wrote.
bool PlainAbsolute(const std::string& path) {
    // Normal as the system writes it: with backslashes on Windows.
    const std::filesystem::path native = sys::PathOf(path);
    const std::string name = sys::Utf8Of(native.filename());
    return native.is_absolute() && !name.empty() && name != "." && name != ".." &&
           sys::Utf8Of(native.lexically_normal()) == path;
}

std::string Absolute(const std::string& directory, const std::string& stored) {
    return sys::PathOf(stored).is_absolute() ? stored : JoinPath(directory, stored);
}

// Tab, line feed and backslash may occur in a path; they are escaped.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                return false;
        }
    }
    return !out.empty();
}

std::string StampText(const FileStamp& stamp) {
    if (!stamp.exists) {
        return "-";
    }
    return std::to_string(stamp.size) + ":" + std::to_string(stamp.modified);
}

bool ParseStamp(const std::string& text, FileStamp& stamp) {
    stamp = FileStamp{};
    if (text == "-") {
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [p1, e1] = std::from_chars(begin, begin + colon, stamp.size);
    auto [p2, e2] = std::from_chars(begin + colon + 1, end, stamp.modified);
    if (e1 != std::errc() || e2 != std::errc() || p1 != begin + colon || p2 != end) {
        return false;
    }
    stamp.exists = true;
    return true;
}

// What recovery finds of a step.
enum class Found {
    kPending,     // the work file is there, the target as planned
    kChanged,     // the work file is there, the target changed meanwhile
    kPlaced,      // the target is the work file put in place
    kLost,        // the work file is gone, the target as it was before
    kOthers,      // the work file is gone, the target is neither: someone else's
    kMissing,     // neither the work file nor the target is there
    kOutOfReach,  // their folder is not there
};

Found Inspect(const std::string& work, const std::string& target, const FileStamp& prior,
              const FileStamp& written) {
    // The work file lies beside its target.
    if (!IsDirectory(ParentDirectory(target))) {
        return Found::kOutOfReach;
    }
    const FileStamp now = StampOf(target);
    if (FileExists(work)) {
        return now == prior ? Found::kPending : Found::kChanged;
    }
    if (written.exists && now == written) {
        return Found::kPlaced;
    }
    if (!now.exists) {
        return Found::kMissing;
    }
    return now == prior ? Found::kLost : Found::kOthers;
}

// The largest first part of a file an extension may rewrite: a price
// file's header record.
constexpr std::size_t kMaxExtensionHeader = 64;

// A price file, the only kind of file a run extends in place.
bool IsPriceFileName(const std::string& path) {
    // The system's separators: a backslash on Windows.
    const std::string name = ToUpperAscii(sys::Utf8Of(sys::PathOf(path).filename()));
    if (name.size() < 6 || name[0] != 'F' || (!EndsWith(name, ".DAT") && !EndsWith(name, ".MWD"))) {
        return false;
    }
    const std::string digits = name.substr(1, name.size() - 5);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

bool Unhex(const std::string& text, std::string& bytes) {
    auto value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    bytes.clear();
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = value(text[i]);
        const int low = value(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

bool ParseSize(const std::string& text, std::uint64_t& size) {
    const char* end = text.data() + text.size();
    auto [p, e] = std::from_chars(text.data(), end, size);
    return e == std::errc() && p == end && !text.empty();
}

// Which file a path names, as the journal keeps it; empty when none.
std::string IdentityText(const std::string& path) {
    const auto identity = IdentityOf(path);
    return identity ? std::to_string(identity->device) + ":" + std::to_string(identity->inode)
                    : std::string();
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

}  // namespace

FileTransaction::FileTransaction(std::string directory) : m_directory(std::move(directory)) {}

FileTransaction::FileTransaction(FileTransaction& parent)
    : m_parent(&parent), m_directory(parent.m_directory) {}

void FileTransaction::DeferWorkFileSyncs() {
    // Only work files: the journal, which says what may be renamed, is
    // always on disk before the renames it allows.
    m_deferral = std::make_unique<SyncDeferralScope>(
        [this](const std::string& path) { return EndsWith(path, ".~NU") && Tracks(path); });
}

bool FileTransaction::Tracks(const std::string& path) const {
    return std::find(m_tracked.begin(), m_tracked.end(), path) != m_tracked.end();
}

void FileTransaction::Adopt(const Step& step) {
    const auto same = std::find_if(m_steps.begin(), m_steps.end(),
                                   [&step](const Step& s) { return s.target == step.target; });
    if (same == m_steps.end()) {
        m_steps.push_back(step);
        return;
    }
    same->work = step.work;
    same->optional = same->optional && step.optional;
}

FileTransaction::~FileTransaction() {
    if (!m_finished) {
        Abort();
    }
}

std::string FileTransaction::JournalPath(const std::string& directory) {
    return JoinPath(directory, kJournalName);
}

void FileTransaction::AddTracked(const std::string& relativeOrAbsolute) {
    const std::string path = AbsolutePath(relativeOrAbsolute);
    if (std::find(m_tracked.begin(), m_tracked.end(), path) == m_tracked.end()) {
        m_tracked.push_back(path);
        m_journalCurrent = false;
    }
    if (m_parent != nullptr) {
        m_parent->AddTracked(path);
    }
}

bool FileTransaction::Fail(Error error, const std::string& path) {
    m_error = error;
    m_failedPath = path;
    return false;
}

bool FileTransaction::Track(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        AddTracked(path);
    }
    if (m_parent != nullptr) {
        return m_parent->Track({}) || Fail(m_parent->m_error, m_parent->m_failedPath);
    }
    if (m_journalCurrent && m_journalWritten) {
        return true;
    }
    std::string failed;
    if (!WriteJournal(m_directory, Current(Phase::kStage, false), failed)) {
        return Fail(Error::kJournal, failed);
    }
    m_journalWritten = true;
    m_journalCurrent = true;
    return true;
}

FileTransaction::Journal FileTransaction::Current(Phase phase, bool withSteps) const {
    Journal journal;
    journal.phase = phase;
    journal.tracked = m_tracked;
    if (withSteps) {
        journal.steps = m_steps;
    }
    journal.locks = m_locks;
    journal.extensions = m_extensions;
    return journal;
}

bool FileTransaction::PlanExtend(const std::string& target, const FileStamp& seen,
                                 std::uint64_t finalSize, std::size_t headerBytes) {
    Extension extension;
    extension.target = AbsolutePath(target);
    extension.identity = IdentityText(extension.target);
    extension.prior = StampOf(extension.target);
    extension.finalSize = finalSize;
    extension.header.resize(headerBytes);
    File file;
    const bool read = !extension.identity.empty() && extension.prior.exists &&
                      headerBytes <= kMaxExtensionHeader && finalSize >= extension.prior.size &&
                      file.Open(extension.target, File::Mode::Read) &&
                      file.ReadExact(extension.header.data(), headerBytes);
    file.Close();
    if (extension.prior != seen || StampOf(extension.target) != seen) {
        return Fail(Error::kChanged, extension.target);
    }
    if (!read) {
        return Fail(Error::kPrepare, extension.target);
    }
    m_extensions.push_back(std::move(extension));
    m_journalCurrent = false;
    if (!Track({})) {
        m_extensions.pop_back();
        return false;
    }
    return true;
}

LockFile::Result FileTransaction::Guard(const std::string& lockPath) {
    if (m_parent != nullptr) {
        // Held by the parent until it ends: the batch may rewrite the file.
        const LockFile::Result result = m_parent->Guard(lockPath);
        m_lockError = m_parent->m_lockError;
        m_error = m_parent->m_error;
        m_failedPath = m_parent->m_failedPath;
        return result;
    }
    const std::string path = AbsolutePath(lockPath);
    if (std::find(m_locks.begin(), m_locks.end(), path) == m_locks.end()) {
        m_locks.push_back(path);
        m_journalCurrent = false;
    }
    // Named before it is made: a process killed in between leaves no lock
    // file that recovery does not remove.
    if (!Track({})) {
        return LockFile::Result::kUnavailable;
    }
    auto lock = std::make_unique<LockFile>();
    const LockFile::Result result = lock->Lock(path, false);
    if (result == LockFile::Result::kLocked) {
        m_held.push_back(std::move(lock));
    } else {
        m_lockError = lock->Error();
    }
    return result;
}

void FileTransaction::PlanReplace(const std::string& work, const std::string& target,
                                  bool optional) {
    PlanReplace(work, target, StampOf(target), optional);
}

void FileTransaction::PlanReplace(const std::string& work, const std::string& target,
                                  const FileStamp& seen, bool optional) {
    // The journal must name the same files whatever folder the next run
    // starts in.
    Step step;
    step.work = AbsolutePath(work);
    step.target = AbsolutePath(target);
    step.optional = optional;
    step.prior = seen;
    AddTracked(step.work);
    if (step.prior.exists && !optional) {
        AddTracked(step.target + kOldSuffix);
    }
    m_steps.push_back(std::move(step));
}

bool FileTransaction::Commit() {
    if (m_parent != nullptr) {
        m_finished = true;
        for (const Step& step : m_steps) {
            m_parent->Adopt(step);
        }
        return true;
    }
    // Required steps first, in the order planned; the optional ones last, so
    // that dropping one never needs another taken back.
    std::stable_partition(m_steps.begin(), m_steps.end(),
                          [](const Step& step) { return !step.optional; });
    for (Step& step : m_steps) {
        if (!step.optional && StampOf(step.target) != step.prior) {
            Abort();
            return Fail(Error::kChanged, step.target);
        }
    }
    for (Extension& extension : m_extensions) {
        extension.written = StampOf(extension.target);
        if (IdentityText(extension.target) != extension.identity ||
            extension.written.size != extension.finalSize) {
            Abort();
            return Fail(Error::kChanged, extension.target);
        }
    }
    if (!Track({})) {
        const std::string failed = m_failedPath;
        Abort();
        return Fail(Error::kJournal, failed);
    }
    if (m_deferral) {
        std::vector<std::string> works;
        for (const Step& step : m_steps) {
            works.push_back(step.work);
        }
        if (std::string failed; !SyncFiles(works, failed)) {
            Abort();
            return Fail(Error::kPrepare, failed);
        }
    }
    for (Step& step : m_steps) {
        if (!step.optional && step.prior.exists &&
            !LinkOrCopyFile(step.target, step.target + kOldSuffix)) {
            Abort();
            return Fail(Error::kPrepare, step.target + kOldSuffix);
        }
        step.written = StampOf(step.work);
        if (!step.written.exists) {
            Abort();
            return Fail(Error::kPrepare, step.work);
        }
    }
    std::string failed;
    if (!WriteJournal(m_directory, Current(Phase::kCommit, true), failed)) {
        Abort();
        return Fail(Error::kJournal, failed);
    }
    for (Step& step : m_steps) {
        if (RenameFile(step.work, step.target)) {
            continue;
        }
        if (step.optional) {
            continue;  // its work file goes with the others below
        }
        // Take back what is in place. The journal says so first: a process
        // killed while taking back must not be rolled forward instead.
        const std::string target = step.target;
        std::string ignored;
        WriteJournal(m_directory, Current(Phase::kUndo, true), ignored);
        Failure undone;
        if (!Undo(m_steps, undone)) {
            m_finished = true;
            Release(m_held);
            return Fail(Error::kUndo, undone.path);
        }
        Abort();
        return Fail(Error::kReplace, target);
    }
    m_finished = true;
    SyncTargetDirectories(m_steps);
    // Leftovers of a finished commit are only old names and dropped work
    // files; if they cannot go now, the journal stays and the next Recover
    // removes them.
    Failure ignored;
    Clear(m_directory, m_tracked, ignored);
    Release(m_held);
    return true;
}

bool FileTransaction::Abort() {
    m_finished = true;
    bool ok = true;
    if (m_parent != nullptr) {
        for (const std::string& path : m_tracked) {
            const bool needed =
                std::any_of(m_parent->m_steps.begin(), m_parent->m_steps.end(),
                            [&path](const Step& step) { return step.work == path; });
            if (!needed && FileExists(path) && !RemoveFile(path)) {
                ok = Fail(Error::kJournal, path);
            }
        }
        return ok;
    }
    Failure failure;
    // An extension not cut back keeps the journal, for recovery to finish.
    if (m_journalWritten && !CutBack(m_extensions, failure)) {
        ok = Fail(Error::kJournal, failure.path);
    } else if (m_journalWritten && !Clear(m_directory, m_tracked, failure)) {
        ok = Fail(Error::kJournal, failure.path);
    }
    // Only once the journal is gone: until then, it is what the locks keep.
    Release(m_held);
    return ok;
}

void FileTransaction::Release(HeldLocks& held) {
    for (auto& lock : held) {
        lock->Unlock(true);
    }
    held.clear();
}

bool FileTransaction::TakeLocks(const std::vector<std::string>& locks, HeldLocks& held,
                                Failure& failure) {
    for (const std::string& path : locks) {
        const std::string guarded = path.substr(0, path.size() - std::strlen(kLockSuffix));
        if (!IsDirectory(ParentDirectory(path))) {
            return failure.Set(guarded, Stuck::kOutOfReach);
        }
        auto lock = std::make_unique<LockFile>();
        switch (lock->Lock(path, false)) {
            case LockFile::Result::kLocked:
                held.push_back(std::move(lock));
                continue;
            case LockFile::Result::kBusy:
                return failure.Set(guarded, Stuck::kInUse);
            case LockFile::Result::kNotAFile:
            case LockFile::Result::kUnavailable:
                return failure.Set(path, Stuck::kFailed);
        }
    }
    return true;
}

bool FileTransaction::Finish(const std::string& directory, Journal& journal, Failure& failure) {
    if (journal.phase != Phase::kCommit) {
        return true;
    }
    // Every step is looked at before anything is done, so that a step that
    // must wait stops the whole recovery, not half of it.
    bool forward = true;
    std::vector<std::string> dropped;
    for (const Step& step : journal.steps) {
        switch (Inspect(step.work, step.target, step.prior, step.written)) {
            case Found::kOutOfReach:
                return failure.Set(step.target, Stuck::kOutOfReach);
            case Found::kMissing:
                // Nothing to compare: no proof that the rename was made.
                if (!step.optional) {
                    return failure.Set(step.target, Stuck::kOutOfReach);
                }
                break;
            case Found::kChanged:
                // Someone else's file now: an optional step is not replaced.
                if (step.optional) {
                    dropped.push_back(step.work);
                }
                forward = forward && step.optional;
                break;
            case Found::kLost:
                // The work file is gone before its rename: not to be finished.
                forward = forward && step.optional;
                break;
            case Found::kPending:
            case Found::kPlaced:
            case Found::kOthers:
                break;
        }
    }
    for (const std::string& work : dropped) {
        RemoveFile(work);
    }
    if (forward) {
        std::string failed;
        return RollForward(journal.steps, failed) || failure.Set(failed, Stuck::kFailed);
    }
    journal.phase = Phase::kUndo;
    std::string failed;
    return WriteJournal(directory, journal, failed) || failure.Set(failed, Stuck::kFailed);
}

bool FileTransaction::RollForward(std::vector<Step>& steps, std::string& failedPath) {
    for (Step& step : steps) {
        if (!FileExists(step.work)) {
            continue;  // in place already
        }
        if (!RenameFile(step.work, step.target) && !step.optional) {
            SyncTargetDirectories(steps);
            failedPath = step.target;
            return false;
        }
    }
    SyncTargetDirectories(steps);
    return true;
}

void FileTransaction::SyncTargetDirectories(const std::vector<Step>& steps) {
    // The renames are on disk before the journal that allowed them goes.
    std::vector<std::string> done;
    for (const Step& step : steps) {
        const std::string directory = ParentDirectory(step.target);
        if (std::find(done.begin(), done.end(), directory) == done.end()) {
            done.push_back(directory);
            SyncDirectoryOf(step.target);
        }
    }
}

bool FileTransaction::Undo(const std::vector<Step>& steps, Failure& failure) {
    // A target that was there before and is not now, or that cannot be
    // taken back for want of its old name, may lie in a folder out of reach:
    // nothing is taken back until every step can be.
    for (const Step& step : steps) {
        const Found found = Inspect(step.work, step.target, step.prior, step.written);
        if (step.optional) {
            continue;  // it has no old name, and keeps the new file
        }
        if (found == Found::kOutOfReach || (found == Found::kMissing && step.prior.exists)) {
            return failure.Set(step.target, Stuck::kOutOfReach);
        }
        const std::string old = step.target + kOldSuffix;
        if (found == Found::kPlaced && step.prior.exists && !FileExists(old)) {
            return failure.Set(old, Stuck::kOutOfReach);
        }
    }
    bool ok = true;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const Step& step = *it;
        // Not put in place, taken back already, or no longer the file that
        // was: leave it.
        if (Inspect(step.work, step.target, step.prior, step.written) != Found::kPlaced) {
            continue;
        }
        const std::string old = step.target + kOldSuffix;
        if (step.prior.exists) {
            if (FileExists(old) && !ReplaceFile(old, step.target)) {
                ok = failure.Set(step.target, Stuck::kFailed);
            }
        } else if (!RemoveFile(step.target)) {
            ok = failure.Set(step.target, Stuck::kFailed);
        }
    }
    return ok;
}

bool FileTransaction::CutBack(const std::vector<Extension>& extensions, Failure& failure) {
    // A price file that is not there, or not its folder, is no proof that
    // nothing was appended: wait until it is back.
    for (const Extension& extension : extensions) {
        if (!IsDirectory(ParentDirectory(extension.target))) {
            return failure.Set(extension.target, Stuck::kOutOfReach);
        }
        if (!StampOf(extension.target).exists) {
            return failure.Set(extension.target, Stuck::kOutOfReach);
        }
    }
    bool ok = true;
    for (const Extension& extension : extensions) {
        const FileStamp now = StampOf(extension.target);
        // Untouched, or someone else's file or change now: left alone.
        if (now == extension.prior || IdentityText(extension.target) != extension.identity ||
            now.size < extension.prior.size || now.size > extension.finalSize) {
            continue;
        }
        File file;
        bool done = file.Open(extension.target, File::Mode::Update) &&
                    file.Truncate(extension.prior.size) && file.Seek(0) &&
                    file.Write(extension.header) && file.Flush(true);
        done = file.Close() && done;
        if (!done) {
            ok = failure.Set(extension.target, Stuck::kFailed);
        }
    }
    return ok;
}

bool FileTransaction::Clear(const std::string& directory, const std::vector<std::string>& tracked,
                            Failure& failure) {
    // A work file not found in a folder that is not there is not gone.
    // (Each folder is asked once: a batch tracks hundreds of files in one.)
    std::vector<std::string> folders;
    for (const std::string& path : tracked) {
        std::string folder = ParentDirectory(path);
        if (std::find(folders.begin(), folders.end(), folder) != folders.end()) {
            continue;
        }
        if (!IsDirectory(folder)) {
            return failure.Set(path, Stuck::kOutOfReach);
        }
        folders.push_back(std::move(folder));
    }
    bool ok = true;
    for (const std::string& path : tracked) {
        if (FileExists(path) && !RemoveFile(path)) {
            ok = failure.Set(path, Stuck::kFailed);
        }
    }
    const std::string journal = JournalPath(directory);
    const std::string journalWork = journal + ".~NU";
    if (FileExists(journalWork) && !RemoveFile(journalWork)) {
        ok = failure.Set(journalWork, Stuck::kFailed);
    }
    if (ok && FileExists(journal) && !RemoveFile(journal)) {
        ok = failure.Set(journal, Stuck::kFailed);
    }
    return ok;
}

bool FileTransaction::Recover(const std::string& directory, std::string& failedPath) {
    Stuck why = Stuck::kNone;
    return Recover(directory, failedPath, why);
}

bool FileTransaction::Recover(const std::string& directory, std::string& failedPath, Stuck& why) {
    Failure failure;
    auto stop = [&] {
        failedPath = failure.path;
        why = failure.why;
        return false;
    };
    const std::string journalPath = JournalPath(directory);
    if (!FileExists(journalPath)) {
        // A journal that was being written when the process died.
        const std::string journalWork = journalPath + ".~NU";
        if (FileExists(journalWork) && !RemoveFile(journalWork)) {
            return failure.Set(journalWork, Stuck::kFailed) || stop();
        }
        return true;
    }
    auto text = ReadWholeFile(journalPath);
    if (!text) {
        return failure.Set(journalPath, Stuck::kFailed) || stop();
    }
    Journal journal;
    if (!Parse(directory, *text, journal)) {
        // Written whole or not at all, so this is not ours to read: it names
        // nothing that may be touched.
        return Clear(directory, {}, failure) || stop();
    }
    if (!Admissible(directory, journal)) {
        return failure.Set(journalPath, Stuck::kForeign) || stop();
    }
    HeldLocks held;
    // A committed journal rolled forward keeps its extensions; any other is
    // taken back with them.
    const bool ok = TakeLocks(journal.locks, held, failure) &&
                    Finish(directory, journal, failure) &&
                    (journal.phase != Phase::kUndo || Undo(journal.steps, failure)) &&
                    (journal.phase == Phase::kCommit || CutBack(journal.extensions, failure)) &&
                    Clear(directory, journal.tracked, failure);
    Release(held);
    return ok || stop();
}

bool FileTransaction::Admissible(const std::string& directory, const Journal& journal) {
    // Whoever could write the journal can rename and remove the folder's
    // files anyway; a file elsewhere is touched only when nobody but this
    // user could have written the journal.
    bool outside = false;
    auto placed = [&](const std::string& path) {
        if (InFolder(directory, path)) {
            return true;
        }
        outside = true;
        return PlainAbsolute(path);
    };
    for (const std::string& path : journal.tracked) {
        if (!IsWorkFile(path) || !placed(path)) {
            return false;
        }
    }
    for (const std::string& path : journal.locks) {
        if (!EndsWith(path, kLockSuffix) || !placed(path)) {
            return false;
        }
    }
    for (const Step& step : journal.steps) {
        // A run only ever puts a work file in place beside it.
        if (step.work != step.target + ".~NU" || !placed(step.target) || !placed(step.work)) {
            return false;
        }
    }
    for (const Extension& extension : journal.extensions) {
        // Only a price file of the folder is extended, and only its header
        // record is rewritten.
        if (!InFolder(directory, extension.target) || IsWorkFile(extension.target) ||
            !IsPriceFileName(extension.target) || !extension.prior.exists ||
            extension.header.size() > kMaxExtensionHeader ||
            extension.header.size() > extension.prior.size ||
            extension.finalSize < extension.prior.size) {
            return false;
        }
    }
    return !outside || OnlyWeCanWrite(JournalPath(directory));
}

std::string FileTransaction::Serialize(const std::string& directory, const Journal& journal) {
    const Phase phase = journal.phase;
    std::string text = std::string(kMagic) + "\nphase ";
    text += phase == Phase::kStage ? "stage" : phase == Phase::kCommit ? "commit" : "undo";
    text += "\n";
    // Only a run that rewrites a file of its own beside another folder's
    // files names a lock.
    for (const std::string& path : journal.locks) {
        text += "lock\t" + Escape(Relative(directory, path)) + "\n";
    }
    for (const std::string& path : journal.tracked) {
        text += "track\t" + Escape(Relative(directory, path)) + "\n";
    }
    for (const Step& step : journal.steps) {
        text += std::string("step\t") + (step.optional ? "1" : "0") + "\t" + StampText(step.prior) +
                "\t" + StampText(step.written) + "\t" + Escape(Relative(directory, step.work)) +
                "\t" + Escape(Relative(directory, step.target)) + "\n";
    }
    for (const Extension& extension : journal.extensions) {
        text += "extend\t" + extension.identity + "\t" + StampText(extension.prior) + "\t" +
                std::to_string(extension.finalSize) + "\t" + StampText(extension.written) + "\t" +
                Hex(extension.header) + "\t" + Escape(Relative(directory, extension.target)) + "\n";
    }
    return text + "end\n";
}

bool FileTransaction::Parse(const std::string& directory, const std::string& text,
                            Journal& journal) {
    Phase& phase = journal.phase;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kMagic || !std::getline(in, line)) {
        return false;
    }
    if (line == "phase stage") {
        phase = Phase::kStage;
    } else if (line == "phase commit") {
        phase = Phase::kCommit;
    } else if (line == "phase undo") {
        phase = Phase::kUndo;
    } else {
        return false;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = SplitTabs(line);
        std::string path;
        if (fields.size() == 1 && fields[0] == "end") {
            return true;
        }
        if (fields.size() == 2 && fields[0] == "track" && Unescape(fields[1], path)) {
            journal.tracked.push_back(Absolute(directory, path));
            continue;
        }
        if (fields.size() == 2 && fields[0] == "lock" && Unescape(fields[1], path)) {
            journal.locks.push_back(Absolute(directory, path));
            continue;
        }
        Extension extension;
        if (fields.size() == 7 && fields[0] == "extend" && !fields[1].empty() &&
            ParseStamp(fields[2], extension.prior) && ParseSize(fields[3], extension.finalSize) &&
            ParseStamp(fields[4], extension.written) && Unhex(fields[5], extension.header) &&
            Unescape(fields[6], path)) {
            extension.identity = fields[1];
            extension.target = Absolute(directory, path);
            journal.extensions.push_back(std::move(extension));
            continue;
        }
        Step step;
        std::string target;
        if (fields.size() == 6 && fields[0] == "step" && (fields[1] == "0" || fields[1] == "1") &&
            ParseStamp(fields[2], step.prior) && ParseStamp(fields[3], step.written) &&
            Unescape(fields[4], path) && Unescape(fields[5], target)) {
            step.optional = fields[1] == "1";
            step.work = Absolute(directory, path);
            step.target = Absolute(directory, target);
            journal.steps.push_back(std::move(step));
            continue;
        }
        return false;
    }
    return false;  // no end line
}

bool FileTransaction::WriteJournal(const std::string& directory, const Journal& journal,
                                   std::string& failedPath) {
    const Phase phase = journal.phase;
    const std::string path = JournalPath(directory);
    const std::string work = path + ".~NU";
    // A stage journal lost to a power cut costs only work files that nothing
    // refers to, so it need not wait for the disk; the others must be on it
    // before any rename they allow.
    const bool durable = phase != Phase::kStage;
    File out;
    // Writable by us alone whatever the umask: recovery trusts a journal
    // that names files outside the folder only then.
    bool ok = out.Open(work, File::Mode::Write) && KeepFromOthers(out) &&
              out.Write(Serialize(directory, journal)) && out.Flush(durable);
    ok = out.Close() && ok;
    if (!ok) {
        failedPath = work;
        RemoveFile(work);
        return false;
    }
    if (!(durable ? ReplaceFile(work, path) : RenameFile(work, path))) {
        failedPath = path;
        RemoveFile(work);
        return false;
    }
    return true;
}

}  // namespace torvan
