// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileTransaction.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>
#include <utility>

namespace torvan {
namespace {

constexpr const char* kMagic = "torvan-journal 1";

// Paths are kept relative to the journal's directory where they lie in it,
// so that a database folder that was moved or renamed is still recovered.
std::string Relative(const std::string& directory, const std::string& path) {
    if (ParentDirectory(path) == directory) {
        const std::size_t slash = path.find_last_of('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
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
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return !name.empty() && name != "." && name != ".." && path == JoinPath(directory, name);
}

// A file outside it is named by its whole, plain path (the input being
// reversed); "..", "." or a relative path is never one a run wrote.
bool PlainAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/' &&
           std::filesystem::path(path).lexically_normal().string() == path && path.back() != '/' &&
           !EndsWith(path, "/.") && !EndsWith(path, "/..");
}

std::string Absolute(const std::string& directory, const std::string& stored) {
    return !stored.empty() && stored[0] == '/' ? stored : JoinPath(directory, stored);
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
    if (m_journalCurrent && m_journalWritten) {
        return true;
    }
    std::string failed;
    if (!WriteJournal(m_directory, Phase::kStage, m_tracked, {}, failed)) {
        return Fail(Error::kJournal, failed);
    }
    m_journalWritten = true;
    m_journalCurrent = true;
    return true;
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
    if (!Track({})) {
        const std::string failed = m_failedPath;
        Abort();
        return Fail(Error::kJournal, failed);
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
    if (!WriteJournal(m_directory, Phase::kCommit, m_tracked, m_steps, failed)) {
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
        WriteJournal(m_directory, Phase::kUndo, m_tracked, m_steps, ignored);
        if (!Undo(m_steps, failed)) {
            m_finished = true;
            return Fail(Error::kUndo, failed);
        }
        Abort();
        return Fail(Error::kReplace, target);
    }
    m_finished = true;
    SyncTargetDirectories(m_steps);
    // Leftovers of a finished commit are only old names and dropped work
    // files; if they cannot go now, the journal stays and the next Recover
    // removes them.
    Clear(m_directory, m_tracked, failed);
    return true;
}

bool FileTransaction::Abort() {
    m_finished = true;
    if (!m_journalWritten) {
        return true;
    }
    std::string failed;
    if (!Clear(m_directory, m_tracked, failed)) {
        return Fail(Error::kJournal, failed);
    }
    return true;
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

bool FileTransaction::Undo(const std::vector<Step>& steps, std::string& failedPath) {
    bool ok = true;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const Step& step = *it;
        // Not put in place, or no longer the file that was: leave it.
        if (FileExists(step.work) || !step.written.exists || StampOf(step.target) != step.written) {
            continue;
        }
        if (step.prior.exists) {
            const std::string old = step.target + kOldSuffix;
            if (FileExists(old) && !ReplaceFile(old, step.target)) {
                failedPath = step.target;
                ok = false;
            }
        } else if (!RemoveFile(step.target)) {
            failedPath = step.target;
            ok = false;
        }
    }
    return ok;
}

bool FileTransaction::Clear(const std::string& directory, const std::vector<std::string>& tracked,
                            std::string& failedPath) {
    bool ok = true;
    for (const std::string& path : tracked) {
        if (FileExists(path) && !RemoveFile(path)) {
            failedPath = path;
            ok = false;
        }
    }
    const std::string journal = JournalPath(directory);
    const std::string journalWork = journal + ".~NU";
    if (FileExists(journalWork) && !RemoveFile(journalWork)) {
        failedPath = journalWork;
        ok = false;
    }
    if (ok && FileExists(journal) && !RemoveFile(journal)) {
        failedPath = journal;
        ok = false;
    }
    return ok;
}

bool FileTransaction::Recover(const std::string& directory, std::string& failedPath) {
    const std::string journal = JournalPath(directory);
    if (!FileExists(journal)) {
        // A journal that was being written when the process died.
        const std::string journalWork = journal + ".~NU";
        if (FileExists(journalWork) && !RemoveFile(journalWork)) {
            failedPath = journalWork;
            return false;
        }
        return true;
    }
    auto text = ReadWholeFile(journal);
    if (!text) {
        failedPath = journal;
        return false;
    }
    Phase phase = Phase::kStage;
    std::vector<std::string> tracked;
    std::vector<Step> steps;
    if (!Parse(directory, *text, phase, tracked, steps)) {
        // Written whole or not at all, so this is not ours to read: it names
        // nothing that may be touched.
        return Clear(directory, {}, failedPath);
    }
    if (!Admissible(directory, tracked, steps)) {
        failedPath = journal;
        return false;
    }
    if (phase == Phase::kCommit) {
        bool unchanged = true;
        for (Step& step : steps) {
            if (FileExists(step.work) && StampOf(step.target) != step.prior) {
                if (!step.optional) {
                    unchanged = false;
                } else {
                    RemoveFile(step.work);  // someone else's file now: not replaced
                }
            }
        }
        if (unchanged) {
            if (!RollForward(steps, failedPath)) {
                return false;
            }
        } else {
            phase = Phase::kUndo;
            if (!WriteJournal(directory, phase, tracked, steps, failedPath)) {
                return false;
            }
        }
    }
    if (phase == Phase::kUndo && !Undo(steps, failedPath)) {
        return false;
    }
    return Clear(directory, tracked, failedPath);
}

bool FileTransaction::Admissible(const std::string& directory,
                                 const std::vector<std::string>& tracked,
                                 const std::vector<Step>& steps) {
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
    for (const std::string& path : tracked) {
        if (!IsWorkFile(path) || !placed(path)) {
            return false;
        }
    }
    for (const Step& step : steps) {
        // A run only ever puts a work file in place beside it.
        if (step.work != step.target + ".~NU" || !placed(step.target) || !placed(step.work)) {
            return false;
        }
    }
    return !outside || OnlyWeCanWrite(JournalPath(directory));
}

std::string FileTransaction::Serialize(const std::string& directory, Phase phase,
                                       const std::vector<std::string>& tracked,
                                       const std::vector<Step>& steps) {
    std::string text = std::string(kMagic) + "\nphase ";
    text += phase == Phase::kStage ? "stage" : phase == Phase::kCommit ? "commit" : "undo";
    text += "\n";
    for (const std::string& path : tracked) {
        text += "track\t" + Escape(Relative(directory, path)) + "\n";
    }
    for (const Step& step : steps) {
        text += std::string("step\t") + (step.optional ? "1" : "0") + "\t" + StampText(step.prior) +
                "\t" + StampText(step.written) + "\t" + Escape(Relative(directory, step.work)) +
                "\t" + Escape(Relative(directory, step.target)) + "\n";
    }
    return text + "end\n";
}

bool FileTransaction::Parse(const std::string& directory, const std::string& text, Phase& phase,
                            std::vector<std::string>& tracked, std::vector<Step>& steps) {
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
            tracked.push_back(Absolute(directory, path));
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
            steps.push_back(std::move(step));
            continue;
        }
        return false;
    }
    return false;  // no end line
}

bool FileTransaction::WriteJournal(const std::string& directory, Phase phase,
                                   const std::vector<std::string>& tracked,
                                   const std::vector<Step>& steps, std::string& failedPath) {
    const std::string journal = JournalPath(directory);
    const std::string work = journal + ".~NU";
    // A stage journal lost to a power cut costs only work files that nothing
    // refers to, so it need not wait for the disk; the others must be on it
    // before any rename they allow.
    const bool durable = phase != Phase::kStage;
    File out;
    // Writable by us alone whatever the umask: recovery trusts a journal
    // that names files outside the folder only then.
    bool ok = out.Open(work, File::Mode::Write) && KeepFromOthers(out) &&
              out.Write(Serialize(directory, phase, tracked, steps)) && out.Flush(durable);
    ok = out.Close() && ok;
    if (!ok) {
        failedPath = work;
        RemoveFile(work);
        return false;
    }
    if (!(durable ? ReplaceFile(work, journal) : RenameFile(work, journal))) {
        failedPath = journal;
        RemoveFile(work);
        return false;
    }
    return true;
}

}  // namespace torvan
