// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

#include "platform/Text.h"

namespace torvan {
namespace {

namespace stdfs = std::filesystem;

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
// longer the directory it was.
std::optional<std::vector<std::string>> ReadNames(const std::string& dir,
                                                  const FileIdentity& identity) {
    DIR* stream = ::opendir(dir.c_str());
    if (stream == nullptr) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(::dirfd(stream), &st) != 0 ||
        FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                     static_cast<std::uint64_t>(st.st_ino)} != identity) {
        ::closedir(stream);
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (entry == nullptr) {
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const bool complete = errno == 0;
    ::closedir(stream);
    if (!complete) {
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
        listing->names->push_back(stdfs::path(path).filename().string());
    }
}

// Every file the core writes is one of its own work files (or a file it put
// in place from one): a write never goes through a link or a second hard
// link to somewhere else.
int OpenDescriptor(const std::string& path, File::Mode mode) {
    const char* name = path.c_str();
    int fd = -1;
    switch (mode) {
        case File::Mode::Read:
            fd = ::open(name, O_RDONLY | O_CLOEXEC);
            break;
        case File::Mode::Write:
            // Whatever has the name (a leftover of a killed run, a link) is
            // removed, never followed, and the file made afresh.
            if (::unlink(name) != 0 && errno != ENOENT) {
                return -1;
            }
            return ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        case File::Mode::Append:
            fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
            break;
        case File::Mode::Update:
            fd = ::open(name, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
            break;
    }
    struct stat st {};
    const bool writing = mode != File::Mode::Read;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
                    (writing && (!S_ISREG(st.st_mode) || st.st_nlink != 1)))) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    return fd;
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
        case EDQUOT:
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
    const int fd = OpenDescriptor(path, mode);
    if (fd < 0) {
        return NoteError(errno);
    }
    if (m_writing) {
        NoteNewName(path);
    }
    m_fp = ::fdopen(fd, how);
    if (m_fp == nullptr) {
        const int error = errno;
        ::close(fd);
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
    const int fd = fileno(m_fp);
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            m_failed = true;
            return NoteError(written < 0 ? errno : ENOSPC);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
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
    if (std::fflush(m_fp) != 0 || ::ftruncate(fileno(m_fp), static_cast<off_t>(size)) != 0) {
        m_failed = true;
        return NoteError(errno);
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
    if (sync && !SyncDeferred(m_path) && ::fsync(fileno(m_fp)) != 0 && errno != EINVAL) {
        m_failed = true;
        return NoteError(errno);
    }
    return true;
}

bool File::StartSync() {
    if (!Flush(false)) {
        return false;
    }
#ifdef __linux__
    // Only a hint: the final Flush(true) is what makes the data durable.
    ::sync_file_range(fileno(m_fp), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
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

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return stdfs::exists(path, ec);
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return stdfs::is_directory(path, ec);
}

std::optional<std::string> FindFileNoCase(const std::string& dir, const std::string& name) {
    std::string exact = JoinPath(dir, name);
    std::error_code ec;
    if (stdfs::is_regular_file(exact, ec)) {
        return exact;
    }
    if (const auto listed = ListedNames(dir, name)) {
        // In name order, as below.
        for (const std::string& entry : *listed) {
            std::string path = JoinPath(dir, entry);
            if (stdfs::is_regular_file(path, ec)) {
                return path;
            }
        }
        return std::nullopt;
    }
    stdfs::directory_iterator it(dir.empty() ? stdfs::path(".") : stdfs::path(dir), ec);
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
        std::string entry = it->path().filename().string();
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
    // unlink, not remove: a folder by the name is never taken for the file.
    return ::unlink(path.c_str()) == 0 || errno == ENOENT || NoteError(errno);
}

bool RenameFile(const std::string& tmpPath, const std::string& target) {
    if (Faulted(FileOp::Rename, target)) {
        return false;
    }
    if (std::rename(tmpPath.c_str(), target.c_str()) != 0) {
        return NoteError(errno);
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return NoteError(errno);
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || NoteError(errno);
    return (::close(fd) == 0 || NoteError(errno)) && ok;
}

namespace {

// fdatasync of every descriptor; the errno of each that failed, else 0.
// A flush waits for its file's last blocks and inode to be written and for
// the disk to empty its cache: one after another those waits add up, while
// flushes made at the same time share them. Measured on ext4 (no journal,
// a virtual disk, load 13 on 2 cores), 510 files just written: 330-2,400 ms
// one after another, 50-90 ms from four threads (syncfs: 125-210 ms, and it
// would wait for every other program's writes too). The threads only wait,
// so they cost next to no CPU even on a busy machine. With faults injected
// the flushes stay in one thread and one order, run after run.
std::vector<int> DataSyncAll(const std::vector<int>& fds) {
    constexpr std::size_t kThreadsFrom = 8;
    constexpr std::size_t kThreads = 4;
    std::vector<int> errors(fds.size(), 0);
    std::atomic<std::size_t> next{0};
    auto work = [&fds, &errors, &next] {
        for (std::size_t i; (i = next++) < fds.size();) {
            if (::fdatasync(fds[i]) != 0 && errno != EINVAL) {
                errors[i] = errno;
            }
        }
    };
    std::vector<std::thread> helpers;
    if (fds.size() >= kThreadsFrom && !BackgroundJobsInline()) {
        for (std::size_t t = 1; t < kThreads; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::exception&) {
                break;  // fewer threads, the same flushes
            }
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return errors;
}

}  // namespace

bool SyncFiles(const std::vector<std::string>& paths, std::string& failedPath) {
    // Starting every write first lets the disk take them in one stream; the
    // flushes then wait together (DataSyncAll). The files are opened once
    // for both, a few hundred at a time so as to stay well inside the limit
    // of open files.
    constexpr std::size_t kAtOnce = 256;
    for (std::size_t begin = 0; begin < paths.size(); begin += kAtOnce) {
        const std::size_t end = std::min(paths.size(), begin + kAtOnce);
        std::vector<int> open;
        bool ok = true;
        for (std::size_t i = begin; i < end && ok; ++i) {
            const bool faulted = Faulted(FileOp::Flush, paths[i]);
            const int fd =
                faulted ? -1 : ::open(paths[i].c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                if (!faulted) {
                    NoteError(errno);
                }
                failedPath = paths[i];
                ok = false;
                break;
            }
            open.push_back(fd);
#ifdef __linux__
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        }
        const std::vector<int> errors = ok ? DataSyncAll(open) : std::vector<int>(open.size(), 0);
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (ok && errors[i] != 0) {
                NoteError(errors[i]);
                failedPath = paths[begin + i];
                ok = false;
            }
            ::close(open[i]);
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

void SyncDirectoryOf(const std::string& path) {
    stdfs::path dir = stdfs::path(path).parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
        const int inFd = fileno(in.Handle());
        const int outFd = fileno(out.Handle());
        copied = true;
        for (;;) {
            const ssize_t n = ::copy_file_range(inFd, nullptr, outFd, nullptr, 1 << 30, 0);
            if (n == 0) {
                break;
            }
            if (n < 0) {
                // Nothing written yet: fall back; otherwise a real error.
                copied = false;
                ok = ::lseek(outFd, 0, SEEK_CUR) == 0 && ::lseek(inFd, 0, SEEK_SET) == 0;
                break;
            }
        }
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
    stdfs::path abs = stdfs::absolute(stdfs::path(path), ec);
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
    return result.lexically_normal().string();
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
    if (!stdfs::is_regular_file(path, ec)) {
        return stamp;
    }
    const auto size = stdfs::file_size(path, ec);
    if (ec) {
        return stamp;
    }
    const auto modified = stdfs::last_write_time(path, ec);
    if (ec) {
        return stamp;
    }
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(size);
    stamp.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
    return stamp;
}

bool LinkOrCopyFile(const std::string& src, const std::string& dst) {
    std::error_code ec;
    if (!Faulted(FileOp::Link, dst)) {
        ::unlink(dst.c_str());
        stdfs::create_hard_link(src, dst, ec);
        if (!ec) {
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
    const stdfs::path resolved = stdfs::canonical(path, ec);
    return ec ? path : resolved.string();
}

ReplaceProblem CheckReplaceable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReplaceProblem::kMissing;
    }
    // A file without any write permission is read-only by intent, even for
    // a user whom the system would let write it anyway.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
        return ReplaceProblem::kReadOnly;
    }
    if (::access(ParentDirectory(path).c_str(), W_OK | X_OK) != 0) {
        return ReplaceProblem::kFolderReadOnly;
    }
    // The replacement belongs to whoever writes it; only the superuser can
    // give it back to another owner.
    if (::geteuid() != 0 && st.st_uid != ::geteuid()) {
        return ReplaceProblem::kOtherOwner;
    }
    return ReplaceProblem::kNone;
}

bool CopyPermissions(const std::string& original, File& file) {
    struct stat st {};
    if (file.Handle() == nullptr || ::stat(original.c_str(), &st) != 0) {
        return false;
    }
    const int fd = fileno(file.Handle());
    struct stat own {};
    if (::fstat(fd, &own) == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
        // Only the superuser may change the owner; a group the user belongs
        // to can be kept by anyone. Either is kept where the system allows.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            (void)!::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        }
    }
    return ::fchmod(fd, st.st_mode & 07777) == 0;
}

bool KeepFromOthers(File& file) {
    struct stat st {};
    const int fd = file.Handle() != nullptr ? fileno(file.Handle()) : -1;
    return fd >= 0 && ::fstat(fd, &st) == 0 &&
           ::fchmod(fd, st.st_mode & 07777 & ~(S_IWGRP | S_IWOTH)) == 0;
}

bool OnlyWeCanWrite(const std::string& path) {
    struct stat file {};
    struct stat folder {};
    if (::lstat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != ::geteuid() ||
        (file.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        ::stat(ParentDirectory(path).c_str(), &folder) != 0) {
        return false;
    }
    // In a folder others may write, they could have put the file there under
    // our name; in a sticky one they can neither remove nor rename ours.
    const bool folderOurs = folder.st_uid == ::geteuid() || folder.st_uid == 0;
    return folderOurs &&
           ((folder.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (folder.st_mode & S_ISVTX) != 0);
}

std::string ParentDirectory(const std::string& path) {
    const stdfs::path parent = stdfs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool IsReadableFile(const std::string& path) {
    std::error_code ec;
    if (!stdfs::is_regular_file(path, ec)) {
        return false;
    }
    File probe;
    return probe.Open(path, File::Mode::Read);
}

std::string CurrentDirectory() {
    std::error_code ec;
    stdfs::path current = stdfs::current_path(ec);
    return ec ? std::string() : current.string();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    stdfs::path absolute = stdfs::absolute(path, ec);
    return ec || absolute.empty() ? path : absolute.string();
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
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
    std::error_code ec;
    stdfs::directory_iterator it(dir.empty() ? stdfs::path(".") : stdfs::path(dir), ec);
    // Incremented with an error code: the throwing ++ must not be used.
    for (; !ec && it != stdfs::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

}  // namespace torvan
