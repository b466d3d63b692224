// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Scratch.h"

namespace torvan {

// Every file operation of the core goes through this layer, so that tests can
// make any single step fail (see SetFaultHook) and so that replacing a file
// is done the same, crash-safe way everywhere.

enum class FileOp { Open, Read, Write, Flush, Close, Rename, Remove, Copy, Link };

// Returns true to make the operation on that path fail. Test-only seam: with
// no hook installed the cost is one test of a null function.
using FaultHook = std::function<bool(FileOp op, const std::string& path)>;

// Where the work that the core hands to threads of its own (BackgroundTask
// jobs) runs while a hook is installed: inline by default, so that faults
// fall on the same steps in every run; kOnThreads to fail that work on the
// thread it runs on. The hook is then called from two threads, one call at
// a time.
enum class BackgroundJobs { kInline, kOnThreads };

// True while a hook installed with BackgroundJobs::kInline is in place.
bool BackgroundJobsInline();

// Installs a fault hook for its lifetime, so that a failing test can never
// leave one behind; Remove() takes it out earlier.
class FaultHookScope {
  public:
    explicit FaultHookScope(FaultHook hook, BackgroundJobs jobs = BackgroundJobs::kInline);
    ~FaultHookScope();
    FaultHookScope(const FaultHookScope&) = delete;
    FaultHookScope& operator=(const FaultHookScope&) = delete;
    void Remove();

  private:
    FaultHook m_previous;
    bool m_previousInline = false;
    bool m_installed = true;
};

// The errno of this thread's last file operation that failed (EIO for one a
// fault hook failed without setting errno), so that a message can say why;
// 0 when none has failed since it was last set. Work done on another thread
// hands its error over with SetLastFileError.
int LastFileError();
void SetLastFileError(int error);

// What an errno means to someone whose file could not be written.
enum class WriteTrouble {
    kOther,
    kPermission,  // EACCES, EPERM
    kReadOnly,    // EROFS
    kDiskFull,    // ENOSPC, EDQUOT
};
WriteTrouble WriteTroubleOf(int error);

// A binary file handle. Text files are read and written as bytes too: line
// ends are handled by the callers, never translated underneath them.
class File {
  public:
    // A file opened for writing is never reached through a link, nor one
    // with a second name elsewhere: the core only ever writes its own.
    enum class Mode {
        Read,    // existing file, reading
        Write,   // a new file in place of whatever had the name, writing
        Append,  // create if missing, writing at the end
        Update,  // existing file, reading and writing in place
    };

    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return m_fp != nullptr; }
    const std::string& Path() const { return m_path; }

    // Reads up to size bytes; returns how many were read (0 at the end or on
    // an error, which Failed() then tells).
    std::size_t Read(void* data, std::size_t size);
    // Reads exactly size bytes or fails.
    bool ReadExact(void* data, std::size_t size);

    bool Write(const void* data, std::size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    bool Seek(std::uint64_t offset);
    bool SeekEnd();
    std::optional<std::uint64_t> Tell();
    std::optional<std::uint64_t> Size();

    // Pushes buffered data to the system and, with sync, to the disk.
    bool Flush(bool sync);
    // Cuts the file back to size bytes (buffered data is pushed first). A
    // fault injected for Write fails it too.
    bool Truncate(std::uint64_t size);
    // Pushes buffered data to the system and lets the disk start on what the
    // file holds so far without waiting for it, so that a later
    // Flush(true) of a large file finds little left to do.
    bool StartSync();
    // Closes the file; false when buffered data could not be written.
    bool Close();
    // The underlying stream, for the few system calls this class lacks.
    std::FILE* Handle() const { return m_fp; }
    // True once a read or write has failed.
    bool Failed() const { return m_failed; }

  private:
    void Release();

    std::FILE* m_fp = nullptr;
    std::string m_path;
    bool m_failed = false;
    bool m_writing = false;
    // Stream buffer: large enough that a big file takes few system calls.
    ScratchBlock m_buffer;
};

// Directory path joined with a file name by the platform's separator.
std::string JoinPath(const std::string& dir, const std::string& name);

// How the system writes and compares paths: Windows separates with the
// backslash (and takes the slash too), ignores the case of names, and its
// file dialogs match every file with "*.*", which elsewhere would leave out
// names without an extension.
char PathSeparator();
bool IsPathSeparator(char c);
bool FileNamesIgnoreCase();
const char* AllFilesPattern();

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);  // links followed
// Makes path and the folders above it that are missing; true when path is
// a folder then.
bool MakeDirectories(const std::string& path);
// A regular file (after following links) that this process can open for
// reading.
bool IsReadableFile(const std::string& path);
// Which file or directory a path names, links followed: two paths with the
// same identity are the same file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);
// The names of a directory's entries ("." and ".." left out), in no
// particular order; empty when it cannot be read. Inside a
// DirectoryListingScope for dir, its listing: names removed since may
// still be among them.
std::vector<std::string> ListDirectory(const std::string& dir);
// The process's working directory; empty when it cannot be told.
std::string CurrentDirectory();
// path made absolute against the working directory, without resolving
// links; path itself when that fails.
std::string AbsolutePath(const std::string& path);

// Finds name in dir, first as written, then ignoring ASCII case. Returns the
// full path of the file found.
std::optional<std::string> FindFileNoCase(const std::string& dir, const std::string& name);

// While one lives, FindFileNoCase answers for its directory from one listing
// of it, read at the first lookup that misses the exact name, instead of
// reading the whole directory at every such lookup: in a database of
// thousands of files those readings were most of the cost of adding a
// security. Names this process creates there through this layer
// (File::Open for writing, RenameFile, LinkOrCopyFile) join the listing as
// they come, and every answer is checked against the file system, so a name
// removed since is no answer. Files another process creates meanwhile are
// not seen: begin one while holding the directory's lock. A directory that
// cannot be listed is read at every lookup, as without one.
class DirectoryListingScope {
  public:
    explicit DirectoryListingScope(const std::string& dir);
    ~DirectoryListingScope();
    DirectoryListingScope(const DirectoryListingScope&) = delete;
    DirectoryListingScope& operator=(const DirectoryListingScope&) = delete;

  private:
    std::optional<FileIdentity> m_identity;  // set while the listing is held
};

// Removes a file (never a folder, never what a link points to); true when
// it is gone afterwards.
bool RemoveFile(const std::string& path);

// Renames tmpPath over target in one step, after the caller has flushed
// tmpPath to disk: target is always either its old or its new content.
bool ReplaceFile(const std::string& tmpPath, const std::string& target);
// The same without flushing the directory: several renames in a directory
// are made durable together by one SyncDirectoryOf.
bool RenameFile(const std::string& tmpPath, const std::string& target);
// Flushes a file that was written and closed to disk; false when that
// failed.
bool SyncFile(const std::string& path);
// Flushes several files that were written and closed to disk together:
// where the system allows, the disk starts on all of them before the first
// is waited for, which costs far less than one flush after another. False,
// with failedPath naming it, when one could not be flushed.
bool SyncFiles(const std::vector<std::string>& paths, std::string& failedPath);

// Lets a caller that makes many files durable at once (a batch of
// securities, see FileTransaction::DeferWorkFileSyncs) take their flushes
// into its own hands: while one lives on this thread, File::Flush(true) and
// SyncFile of a path that defers(path) claims only hand the data to the
// system, and the caller flushes them later with SyncFiles, before
// anything relies on them. Scopes nest; the innermost decides.
class SyncDeferralScope {
  public:
    explicit SyncDeferralScope(std::function<bool(const std::string&)> defers);
    ~SyncDeferralScope();
    SyncDeferralScope(const SyncDeferralScope&) = delete;
    SyncDeferralScope& operator=(const SyncDeferralScope&) = delete;

  private:
    std::function<bool(const std::string&)> m_defers;
    const SyncDeferralScope* m_previous;
    friend bool SyncDeferred(const std::string& path);
};
// True when this thread's innermost SyncDeferralScope claims path.
bool SyncDeferred(const std::string& path);

// Flushes the directory that holds path, so that renames and new names in it
// survive a power cut.
void SyncDirectoryOf(const std::string& path);

// Copies src to dst, replacing dst atomically (through dst + ".~CP").
bool CopyFileReplace(const std::string& src, const std::string& dst);

// Absolute, normalised form of a directory path, without changing the
// process's working directory: "." and ".." are taken out, ".." going where
// the kernel goes when it follows a symbolic link. Empty on failure.
std::string AbsoluteDirectory(const std::string& path);

// Reads the whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes content to path through a temporary file and an atomic replace.
bool WriteFileAtomically(const std::string& path, const std::string& content);

// Size and modification time of a file, enough to tell whether it was
// changed or replaced since it was last looked at.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the file system's clock ticks

    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// Makes dst a second name for the content of src: a hard link where the file
// system has them, a flushed copy where not. An older dst is replaced. The
// folder of dst is not synced.
bool LinkOrCopyFile(const std::string& src, const std::string& dst);

// The path with every symbolic link in it resolved, so that a file reached
// through a link is rewritten where it really lies; path itself when it
// cannot be resolved.
std::string ResolvedPath(const std::string& path);

// Whether a file can be replaced by a rewritten version that keeps its
// permissions and owner.
enum class ReplaceProblem {
    kNone,
    kMissing,         // no such regular file
    kReadOnly,        // the file has no write permission
    kFolderReadOnly,  // its folder does not allow new files
    kOtherOwner,      // its owner could not be kept
};
ReplaceProblem CheckReplaceable(const std::string& path);

// Gives the open file the permissions, and where allowed the group, of the
// file at original. False when the permissions could not be set.
bool CopyPermissions(const std::string& original, File& file);

// Takes write permission on the open file from everyone but its owner.
bool KeepFromOthers(File& file);

// Whether nobody but this process's user (and the superuser) could have put
// the file at path there as it is: a regular file, not a link, of ours,
// writable by no one else, in a folder where no one else can replace it.
bool OnlyWeCanWrite(const std::string& path);

// Where the user's programs keep their settings: $XDG_CONFIG_HOME, else
// ~/.config; %APPDATA% on Windows. Empty when it cannot be told.
std::string UserConfigDirectory();

// The program's command-line arguments in UTF-8 (Windows hands argv over
// in its ANSI code page, which cannot hold every file name).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Whether standard error goes to a terminal (a console on Windows) that
// can show a progress line rewritten in place.
bool StderrIsTerminal();

// The directory part of a path ("." when there is none).
std::string ParentDirectory(const std::string& path);

// The last part of a path, and that without its extension ("b.tar" of
// "a/b.tar.gz"). Taken apart in UTF-8: std::filesystem::path(std::string)
// would read the bytes in another code page on Windows.
std::string FileNameOf(const std::string& path);
std::string StemOf(const std::string& path);

}  // namespace torvan
