// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/PathLimits.h"
#include "platform/SystemFiles.h"
#include "platform/Text.h"

namespace torvan {
namespace {

namespace stdfs = std::filesystem;
using sys::PathOf;
using sys::Utf8Of;

// Stream buffer of an open file. Large reads and writes pass it by anyway.
constexpr std::size_t kStreamBuffer = 1 << 16;

FaultHook& Hook() {
    static FaultHook hook;
    return hook;
}

bool& JobsInline() {
    static bool jobsInline = false;
    return jobsInline;
}

thread_local int t_lastError = 0;

// Notes the errno of a failed operation; returns false for the caller to
// return.
bool NoteError(int error) {
    t_lastError = error;
    return false;
}

bool Faulted(FileOp op, const std::string& path) {
    const FaultHook& hook = Hook();
    if (!hook) {
        return false;
    }
    // Hooks count and record calls: a background job must not race the
    // caller's thread in them.
    static std::mutex calls;
    const std::lock_guard lock(calls);
    // A hook may set errno to act out a particular failure.
    errno = 0;
    if (!hook(op, path)) {
        return false;
    }
    t_lastError = errno != 0 ? errno : EIO;
    return true;
}

// The directory listings that DirectoryListingScope holds. A lookup scans
// the names, most of which differ in length from the one sought: that costs
// far less than reading the directory again, and keeping them sorted or
// hashed would cost more than the few lookups of a conversion.
struct Listing {
    FileIdentity identity;
    std::string directory;  // as the first scope named it
    // Read at the first lookup that needs it: many runs find every name as
    // written and never read the directory.
    std::optional<std::vector<std::string>> names;
    int scopes = 0;
};

struct Listings {
    std::mutex mutex;
    std::vector<Listing> open;
    // Read without the lock: no scope, no cost beyond this test.
    std::atomic<int> count{0};
};

Listings& OpenListings() {
    static Listings listings;
    return listings;
}

// The listing of dir, by its name as given or else by what it is; the
// caller holds the lock.
Listing* ListingOf(Listings& listings, const std::string& dir) {
    for (Listing& listing : listings.open) {
        if (listing.directory == dir) {
            return &listing;
        }
    }
    const auto identity = IdentityOf(dir.empty() ? std::string(".") : dir);
    for (Listing& listing : listings.open) {
        if (identity && listing.identity == *identity) {
            return &listing;
        }
    }
    return nullptr;
}

// Every name in dir, or nullopt when it could not all be read or dir is no
// longer the directory it was (before or after the reading).
std::optional<std::vector<std::string>> ReadNames(const std::string& dir,
                                                  const FileIdentity& identity) {
    if (dir.size() > LongestListableDirectory() || IdentityOf(dir) != identity) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::error_code ec;
    stdfs::directory_iterator it(PathOf(dir), ec);
    // Incremented with an error code: the throwing ++ must not be used.
    for (; !ec && it != stdfs::directory_iterator(); it.increment(ec)) {
        names.push_back(Utf8Of(it->path().filename()));
    }
    if (ec || IdentityOf(dir) != identity) {
        return std::nullopt;
    }
    return names;
}

// Calls use with every name of dir's listing, reading it first if need be;
// false when dir has no listing or it cannot be read whole.
template <typename Use>
bool WithListing(const std::string& dir, Use use) {
    Listings& listings = OpenListings();
    if (listings.count.load() == 0) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(listings.mutex);
    Listing* listing = ListingOf(listings, dir);
    if (listing == nullptr) {
        return false;
    }
    if (!listing->names) {
        // A part of a listing would hide files: none at all then, and the
        // next lookup tries again.
        listing->names =
            ReadNames(listing->directory.empty() ? "." : listing->directory, listing->identity);
        if (!listing->names) {
            return false;
        }
    }
    use(*listing->names);
    return true;
}

// The names of dir's listing that are name in some case, in name order;
// nullopt when dir has no listing.
std::optional<std::vector<std::string>> ListedNames(const std::string& dir,
                                                    const std::string& name) {
    std::vector<std::string> found;
    const bool listed = WithListing(dir, [&](const std::vector<std::string>& names) {
        for (const std::string& entry : names) {
            if (entry.size() == name.size() && EqualsNoCase(entry, name)) {
                found.push_back(entry);
            }
        }
    });
    if (!listed) {
        return std::nullopt;
    }
    // In name order, and each once (a name made twice is noted twice).
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

// A name this process has just made: later lookups must find it.
void NoteNewName(const std::string& path) {
    Listings& listings = OpenListings();
    if (listings.count.load() == 0) {
        return;
    }
    const std::lock_guard<std::mutex> hold(listings.mutex);
    Listing* listing = ListingOf(listings, ParentDirectory(path));
    if (listing != nullptr && listing->names) {
        listing->names->push_back(Utf8Of(PathOf(path).filename()));
    }
}

}  // namespace

int LastFileError() {
    return t_lastError;
}

void SetLastFileError(int error) {
    t_lastError = error;
}

WriteTrouble WriteTroubleOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return WriteTrouble::kPermission;
        case EROFS:
            return WriteTrouble::kReadOnly;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return WriteTrouble::kDiskFull;
        default:
            return WriteTrouble::kOther;
    }
}

bool BackgroundJobsInline() {
    return Hook() && JobsInline();
}

FaultHookScope::FaultHookScope(FaultHook hook, BackgroundJobs jobs)
    : m_previous(std::exchange(Hook(), std::move(hook))),
      m_previousInline(std::exchange(JobsInline(), jobs == BackgroundJobs::kInline)) {}

FaultHookScope::~FaultHookScope() {
    Remove();
}

void FaultHookScope::Remove() {
    if (m_installed) {
        Hook() = std::move(m_previous);
        JobsInline() = m_previousInline;
        m_installed = false;
    }
}

File::~File() {
    Release();
}

void File::Release() {
    if (m_fp != nullptr) {
        std::fclose(m_fp);
        m_fp = nullptr;
    }
    m_buffer.reset();
}

File::File(File&& other) noexcept
    : m_fp(std::exchange(other.m_fp, nullptr)),
      m_path(std::move(other.m_path)),
      m_failed(other.m_failed),
      m_writing(other.m_writing),
      m_buffer(std::move(other.m_buffer)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Release();
        m_fp = std::exchange(other.m_fp, nullptr);
        m_path = std::move(other.m_path);
        m_failed = other.m_failed;
        m_writing = other.m_writing;
        m_buffer = std::move(other.m_buffer);
    }
    return *this;
}

bool File::Open(const std::string& path, Mode mode) {
    if (m_fp != nullptr) {
        std::fclose(m_fp);
        m_fp = nullptr;
    }
    m_path = path;
    m_failed = false;
    m_writing = mode != Mode::Read;
    if (Faulted(FileOp::Open, path)) {
        return false;
    }
    const char* how = mode == Mode::Read     ? "rb"
                      : mode == Mode::Write  ? "wb"
                      : mode == Mode::Append ? "ab"
                                             : "r+b";
    const int fd = sys::OpenDescriptor(path, mode);
    if (fd < 0) {
        return NoteError(errno);
    }
    if (m_writing) {
        NoteNewName(path);
    }
    m_fp = ::fdopen(fd, how);
    if (m_fp == nullptr) {
        const int error = errno;
        sys::CloseDescriptor(fd);
        return NoteError(error);
    }
    if (!m_buffer) {
        // Not zero-filled: the stream writes before it reads.
        m_buffer = ScratchBlock(kStreamBuffer);
    }
    std::setvbuf(m_fp, m_buffer.get(), _IOFBF, kStreamBuffer);
    return true;
}

std::size_t File::Read(void* data, std::size_t size) {
    if (m_fp == nullptr || size == 0) {
        return 0;
    }
    if (Faulted(FileOp::Read, m_path)) {
        m_failed = true;
        return 0;
    }
    std::size_t got = std::fread(data, 1, size, m_fp);
    if (got < size && std::ferror(m_fp)) {
        m_failed = true;
        t_lastError = errno;
    }
    return got;
}

bool File::ReadExact(void* data, std::size_t size) {
    return Read(data, size) == size;
}

bool File::Write(const void* data, std::size_t size) {
    if (m_fp == nullptr) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (Faulted(FileOp::Write, m_path)) {
        m_failed = true;
        return false;
    }
    if (size < kStreamBuffer) {
        if (std::fwrite(data, 1, size, m_fp) != size) {
            m_failed = true;
            return NoteError(errno);
        }
        return true;
    }
    // A large block goes to the system as it is, not through the stream's
    // buffer (one copy of every byte less); what the buffer holds goes
    // first, and the stream takes up its position after it.
    if (std::fflush(m_fp) != 0) {
        m_failed = true;
        return NoteError(errno);
    }
    if (const int error = sys::WriteAll(fileno(m_fp), data, size); error != 0) {
        m_failed = true;
        return NoteError(error);
    }
    if (fseeko(m_fp, 0, SEEK_CUR) != 0) {
        m_failed = true;
        return false;
    }
    return true;
}

bool File::Truncate(std::uint64_t size) {
    if (m_fp == nullptr) {
        return false;
    }
    if (Faulted(FileOp::Write, m_path)) {
        m_failed = true;
        return false;
    }
    if (std::fflush(m_fp) != 0) {
        m_failed = true;
        return NoteError(errno);
    }
    if (const int error = sys::TruncateDescriptor(fileno(m_fp), size); error != 0) {
        m_failed = true;
        return NoteError(error);
    }
    return true;
}

bool File::Seek(std::uint64_t offset) {
    return m_fp != nullptr && fseeko(m_fp, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool File::SeekEnd() {
    return m_fp != nullptr && fseeko(m_fp, 0, SEEK_END) == 0;
}

std::optional<std::uint64_t> File::Tell() {
    if (m_fp == nullptr) {
        return std::nullopt;
    }
    off_t pos = ftello(m_fp);
    if (pos < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(pos);
}

std::optional<std::uint64_t> File::Size() {
    auto pos = Tell();
    if (!pos || !SeekEnd()) {
        return std::nullopt;
    }
    auto end = Tell();
    if (!Seek(*pos)) {
        return std::nullopt;
    }
    return end;
}

bool File::Flush(bool sync) {
    if (m_fp == nullptr) {
        return false;
    }
    if (Faulted(FileOp::Flush, m_path)) {
        m_failed = true;
        return false;
    }
    if (std::fflush(m_fp) != 0) {
        m_failed = true;
        return NoteError(errno);
    }
    if (const int error = sync && !SyncDeferred(m_path) ? sys::SyncDescriptor(fileno(m_fp)) : 0;
        error != 0) {
        m_failed = true;
        return NoteError(error);
    }
    return true;
}

bool File::StartSync() {
    if (!Flush(false)) {
        return false;
    }
    // Only a hint: the final Flush(true) is what makes the data durable.
    sys::StartSyncDescriptor(fileno(m_fp));
    return true;
}

bool File::Close() {
    if (m_fp == nullptr) {
        return !m_failed;
    }
    // Closing a file that was only read cannot lose anything.
    const bool faulted = m_writing && Faulted(FileOp::Close, m_path);
    bool ok = std::fclose(m_fp) == 0;
    if (!ok) {
        t_lastError = errno;
    }
    m_fp = nullptr;
    // For the next file opened on this thread: a closed file kept for its
    // outcome (a job's, until a batch ends) holds no buffer.
    m_buffer.reset();
    if (faulted || !ok) {
        m_failed = true;
    }
    return !m_failed;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return stdfs::exists(PathOf(path), ec);
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return stdfs::is_directory(PathOf(path), ec);
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return stdfs::is_regular_file(PathOf(path), ec);
}

bool MakeDirectories(const std::string& path) {
    std::error_code ec;
    stdfs::create_directories(PathOf(path), ec);
    return !ec && IsDirectory(path);
}

std::optional<std::string> FindFileNoCase(const std::string& dir, const std::string& name) {
    std::string exact = JoinPath(dir, name);
    std::error_code ec;
    if (stdfs::is_regular_file(PathOf(exact), ec)) {
        // As the folder spells it: Windows finds "master" when asked for
        // "MASTER", and messages and backups follow the name that is there.
        const std::string stored = sys::StoredName(exact);
        return stored.empty() || stored == name ? exact : JoinPath(dir, stored);
    }
    if (const auto listed = ListedNames(dir, name)) {
        // In name order, as below.
        for (const std::string& entry : *listed) {
            std::string path = JoinPath(dir, entry);
            if (stdfs::is_regular_file(PathOf(path), ec)) {
                return path;
            }
        }
        return std::nullopt;
    }
    if (dir.size() > LongestListableDirectory()) {
        return std::nullopt;
    }
    stdfs::directory_iterator it(dir.empty() ? stdfs::path(".") : PathOf(dir), ec);
    if (ec) {
        return std::nullopt;
    }
    // Directory order is arbitrary; take the first match in name order so
    // that the choice does not change from run to run.
    std::optional<std::string> best;
    for (; it != stdfs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        std::string entry = Utf8Of(it->path().filename());
        if (EqualsNoCase(entry, name) && it->is_regular_file(ec)) {
            if (!best || entry < *best) {
                best = entry;
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return JoinPath(dir, *best);
}

bool RemoveFile(const std::string& path) {
    if (Faulted(FileOp::Remove, path)) {
        return false;
    }
    // Never remove(): a folder by the name is not to be taken for the file.
    const int error = sys::Unlink(path);
    return error == 0 || error == ENOENT || NoteError(error);
}

bool RenameFile(const std::string& tmpPath, const std::string& target) {
    if (Faulted(FileOp::Rename, target)) {
        return false;
    }
    if (const int error = sys::Rename(tmpPath, target); error != 0) {
        return NoteError(error);
    }
    NoteNewName(target);
    return true;
}

bool ReplaceFile(const std::string& tmpPath, const std::string& target) {
    if (!RenameFile(tmpPath, target)) {
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

bool SyncFile(const std::string& path) {
    if (Faulted(FileOp::Flush, path)) {
        return false;
    }
    if (SyncDeferred(path)) {
        return true;
    }
    const int error = sys::SyncPath(path);
    return error == 0 || NoteError(error);
}

bool SyncFiles(const std::vector<std::string>& paths, std::string& failedPath) {
    for (const std::string& path : paths) {
        if (Faulted(FileOp::Flush, path)) {
            failedPath = path;
            return false;
        }
    }
    std::size_t failed = 0;
    if (const int error = sys::SyncPaths(paths, failed); error != 0) {
        failedPath = paths[failed];
        return NoteError(error);
    }
    return true;
}

void SyncDirectoryOf(const std::string& path) {
    sys::SyncDirectory(ParentDirectory(path));
}

bool CopyFileReplace(const std::string& src, const std::string& dst) {
    if (Faulted(FileOp::Copy, dst)) {
        return false;
    }
    File in;
    if (!in.Open(src, File::Mode::Read)) {
        return false;
    }
    const std::string tmp = dst + ".~CP";
    File out;
    if (!out.Open(tmp, File::Mode::Write)) {
        return false;
    }
    bool ok = true;
    // Let the kernel copy when it can; plain reads and writes otherwise.
    bool copied = false;
    if (!Hook()) {
        copied = sys::SystemCopy(fileno(in.Handle()), fileno(out.Handle()), ok);
    }
    char buffer[1 << 16];
    while (ok && !copied) {
        std::size_t got = in.Read(buffer, sizeof buffer);
        if (got == 0) {
            ok = !in.Failed();
            break;
        }
        if (!out.Write(buffer, got)) {
            ok = false;
            break;
        }
    }
    ok = ok && out.Flush(true);
    ok = out.Close() && ok;
    ok = ok && ReplaceFile(tmp, dst);
    if (!ok) {
        RemoveFile(tmp);
    }
    return ok;
}

std::string AbsoluteDirectory(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::error_code ec;
    stdfs::path abs = stdfs::absolute(PathOf(path), ec);
    if (ec) {
        return {};
    }
    // ".." after a symbolic link leads where the kernel goes, to the parent
    // of the link's target, not to the directory that holds the link; so the
    // part before each ".." is resolved first. Links not followed by ".."
    // stay as the user wrote them.
    stdfs::path result;
    for (const stdfs::path& part : abs) {
        if (part == "..") {
            stdfs::path real = stdfs::canonical(result, ec);
            result = ec ? result.lexically_normal() : real;
            result = result.has_relative_path() ? result.parent_path() : result;
        } else if (part != "." && !part.empty()) {
            result /= part;
        }
    }
    return Utf8Of(result.lexically_normal());
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    File in;
    if (!in.Open(path, File::Mode::Read)) {
        return std::nullopt;
    }
    std::string content;
    // One allocation for the usual file that does not grow meanwhile.
    if (const auto size = in.Size()) {
        content.reserve(static_cast<std::size_t>(*size));
    }
    char buffer[1 << 16];
    for (;;) {
        std::size_t got = in.Read(buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        content.append(buffer, got);
    }
    if (in.Failed()) {
        return std::nullopt;
    }
    return content;
}

bool WriteFileAtomically(const std::string& path, const std::string& content) {
    const std::string tmp = path + ".~NU";
    File out;
    if (!out.Open(tmp, File::Mode::Write)) {
        return false;
    }
    // The new file would otherwise get the default permissions, opening a
    // file the user had closed to others; they are set before the content
    // goes in. Where there is no file yet, or the file system has no
    // permissions to set, the defaults stay.
    CopyPermissions(path, out);
    bool ok = out.Write(content) && out.Flush(true);
    ok = out.Close() && ok;
    ok = ok && ReplaceFile(tmp, path);
    if (!ok) {
        RemoveFile(tmp);
    }
    return ok;
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    std::error_code ec;
    const stdfs::path native = PathOf(path);
    if (!stdfs::is_regular_file(native, ec)) {
        return stamp;
    }
    const auto size = stdfs::file_size(native, ec);
    if (ec) {
        return stamp;
    }
    const auto modified = stdfs::last_write_time(native, ec);
    if (ec) {
        return stamp;
    }
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(size);
    stamp.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
    return stamp;
}

bool LinkOrCopyFile(const std::string& src, const std::string& dst) {
    if (!Faulted(FileOp::Link, dst)) {
        sys::Unlink(dst);
        if (sys::HardLink(src, dst) == 0) {
            NoteNewName(dst);
            // No directory sync: the new name matters only once a rename in
            // the same folder, which syncs it, makes it one.
            return true;
        }
    }
    // No hard links here (or across devices): an ordinary copy does.
    return CopyFileReplace(src, dst);
}

std::string ResolvedPath(const std::string& path) {
    std::error_code ec;
    const stdfs::path resolved = stdfs::canonical(PathOf(path), ec);
    return ec ? path : Utf8Of(resolved);
}

std::string ParentDirectory(const std::string& path) {
    const stdfs::path parent = PathOf(path).parent_path();
    return parent.empty() ? std::string(".") : Utf8Of(parent);
}

std::string FileNameOf(const std::string& path) {
    return Utf8Of(PathOf(path).filename());
}

std::string StemOf(const std::string& path) {
    return Utf8Of(PathOf(path).stem());
}

bool IsReadableFile(const std::string& path) {
    std::error_code ec;
    if (!stdfs::is_regular_file(PathOf(path), ec)) {
        return false;
    }
    File probe;
    return probe.Open(path, File::Mode::Read);
}

std::string CurrentDirectory() {
    std::error_code ec;
    stdfs::path current = stdfs::current_path(ec);
    return ec ? std::string() : Utf8Of(current);
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    stdfs::path absolute = stdfs::absolute(PathOf(path), ec);
    return ec || absolute.empty() ? path : Utf8Of(absolute);
}

DirectoryListingScope::DirectoryListingScope(const std::string& dir) {
    const std::string where = dir.empty() ? std::string(".") : dir;
    const auto identity = IdentityOf(where);
    if (!identity) {
        return;
    }
    Listings& listings = OpenListings();
    const std::lock_guard<std::mutex> hold(listings.mutex);
    for (Listing& listing : listings.open) {
        if (listing.identity == *identity) {
            ++listing.scopes;
            m_identity = identity;
            return;
        }
    }
    Listing listing;
    listing.identity = *identity;
    listing.directory = dir;
    listing.scopes = 1;
    listings.open.push_back(std::move(listing));
    listings.count.fetch_add(1);
    m_identity = identity;
}

DirectoryListingScope::~DirectoryListingScope() {
    if (!m_identity) {
        return;
    }
    Listings& listings = OpenListings();
    const std::lock_guard<std::mutex> hold(listings.mutex);
    for (auto it = listings.open.begin(); it != listings.open.end(); ++it) {
        if (it->identity == *m_identity && --it->scopes == 0) {
            listings.open.erase(it);
            listings.count.fetch_sub(1);
            return;
        }
    }
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    // Inside a DirectoryListingScope the listing answers: a database of
    // thousands of files is read once per run, not once per question.
    if (WithListing(dir, [&](const std::vector<std::string>& listed) { names = listed; })) {
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    }
    if (dir.size() > LongestListableDirectory()) {
        return names;
    }
    std::error_code ec;
    stdfs::directory_iterator it(dir.empty() ? stdfs::path(".") : PathOf(dir), ec);
    // Incremented with an error code: the throwing ++ must not be used.
    for (; !ec && it != stdfs::directory_iterator(); it.increment(ec)) {
        names.push_back(Utf8Of(it->path().filename()));
    }
    return names;
}

}  // namespace torvan
