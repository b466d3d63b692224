// SPDX-License-Identifier: GPL-3.0-or-later
// The file system on Windows: the UTF-16 (-W) functions of the Win32 API,
// with the core's UTF-8 paths converted at every call.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PathLimits.h"
#include "platform/SystemFiles.h"
#include "platform/win32/Win32.h"

namespace torvan {
namespace win32 {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), wide);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

int ErrnoOf(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NOT_READY:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        // Another program holds the file open without sharing it.
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return EINVAL;
        default:
            return EIO;
    }
}

}  // namespace win32

namespace {

using win32::ErrnoOf;
using win32::Wide;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Info(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    return ::GetFileInformationByHandle(handle, &info) != 0;
}

// Opens what path names for no access at all, links followed, folders too:
// enough to ask what it is.
HANDLE OpenForQuery(const std::string& path) {
    return ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

HANDLE OpenHandle(const std::wstring& name, File::Mode mode) {
    // Readers share everything, so that a file being read can still be
    // replaced; a file being written is shared with readers only.
    const DWORD writeShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
    // A link in the place of a file written is opened as itself, never
    // followed (and then refused below).
    const DWORD noFollow = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    switch (mode) {
        case File::Mode::Read:
            return ::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        case File::Mode::Write:
            // Whatever has the name (a leftover of a killed run, a link) is
            // removed, never followed, and the file made afresh.
            if (!::DeleteFileW(name.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
                return INVALID_HANDLE_VALUE;
            }
            return ::CreateFileW(name.c_str(), GENERIC_WRITE, writeShare, nullptr, CREATE_NEW,
                                 noFollow, nullptr);
        case File::Mode::Append:
            return ::CreateFileW(name.c_str(), GENERIC_WRITE, writeShare, nullptr, OPEN_ALWAYS,
                                 noFollow, nullptr);
        case File::Mode::Update:
            return ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, writeShare, nullptr,
                                 OPEN_EXISTING, noFollow, nullptr);
    }
    return INVALID_HANDLE_VALUE;
}

int CrtFlags(File::Mode mode) {
    switch (mode) {
        case File::Mode::Read:
            return _O_RDONLY | _O_BINARY;
        case File::Mode::Write:
            return _O_WRONLY | _O_BINARY;
        case File::Mode::Append:
            return _O_WRONLY | _O_APPEND | _O_BINARY;
        case File::Mode::Update:
            return _O_RDWR | _O_BINARY;
    }
    return _O_RDONLY | _O_BINARY;
}

}  // namespace

namespace sys {

std::filesystem::path PathOf(const std::string& path) {
    return std::filesystem::path(Wide(path));
}

std::string Utf8Of(const std::filesystem::path& path) {
    return win32::Narrow(path.native());
}

int OpenDescriptor(const std::string& path, File::Mode mode) {
    const std::wstring name = Wide(path);
    HANDLE handle = OpenHandle(name, mode);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        errno = folder ? EISDIR : ErrnoOf(error);
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool writing = mode != File::Mode::Read;
    const bool known = Info(handle, info);
    const bool folder = known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool link = known && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!known || folder || (writing && (link || info.nNumberOfLinks != 1))) {
        ::CloseHandle(handle);
        errno = folder ? EISDIR : EINVAL;
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), CrtFlags(mode));
    if (fd < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

void CloseDescriptor(int fd) {
    ::_close(fd);
}

int WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        const int written = ::_write(fd, bytes, chunk);
        if (written <= 0) {
            return written < 0 ? errno : ENOSPC;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int SyncDescriptor(int fd) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) {
        return EBADF;
    }
    // A console or pipe cannot be flushed and has nothing to lose.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        return 0;
    }
    return ::FlushFileBuffers(handle) ? 0 : ErrnoOf(::GetLastError());
}

int SyncPath(const std::string& path) {
    // Flushing needs write access; the file is never reached through a link.
    HANDLE handle =
        ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return ErrnoOf(::GetLastError());
    }
    const int error = ::FlushFileBuffers(handle) ? 0 : ErrnoOf(::GetLastError());
    ::CloseHandle(handle);
    return error;
}

int SyncPaths(const std::vector<std::string>& paths, std::size_t& failed) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (const int error = SyncPath(paths[i]); error != 0) {
            failed = i;
            return error;
        }
    }
    return 0;
}

int TruncateDescriptor(int fd, std::uint64_t size) {
    return ::_chsize_s(fd, static_cast<long long>(size));
}

// Windows cannot flush a folder: renames are written through
// (MOVEFILE_WRITE_THROUGH) instead, and NTFS journals new names.
void SyncDirectory(const std::string&) {}

void StartSyncDescriptor(int) {}

bool SystemCopy(int, int, bool&) {
    return false;
}

int Unlink(const std::string& path) {
    // DeleteFileW removes a link itself and refuses a folder.
    return ::DeleteFileW(Wide(path).c_str()) ? 0 : ErrnoOf(::GetLastError());
}

int Rename(const std::string& from, const std::string& to) {
    // One step, and on the disk before it returns; never a copy across
    // volumes (that would not be one step).
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags) ? 0
                                                                      : ErrnoOf(::GetLastError());
}

int HardLink(const std::string& from, const std::string& to) {
    return ::CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr)
               ? 0
               : ErrnoOf(::GetLastError());
}

std::string StoredName(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(Wide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    ::FindClose(search);
    return win32::Narrow(found.cFileName);
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    ::localtime_s(&local, &t);
    return local;
}

}  // namespace sys

std::size_t LongestListableDirectory() {
    // A listing asks for "<folder>\*" within MAX_PATH (260 with its NUL).
    // UTF-8 takes at least as many bytes as UTF-16 takes units, so a limit
    // in bytes holds for the wide path too.
    return MAX_PATH - 3;
}

// Backslashes, as Windows writes paths; a name after a drive ("C:") or a
// separator the user wrote is joined as it is.
std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/' || dir.back() == '\\' ||
        (dir.size() == 2 && dir[1] == ':')) {
        return dir + name;
    }
    return dir + "\\" + name;
}

char PathSeparator() {
    return '\\';
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool FileNamesIgnoreCase() {
    return true;
}

const char* AllFilesPattern() {
    return "*.*";
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(win32::Narrow(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

// A console, not merely a character device: _isatty() says yes to NUL too.
bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string UserConfigDirectory() {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    return appData != nullptr ? win32::Narrow(appData) : std::string();
}

ReplaceProblem CheckReplaceable(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(sys::PathOf(path), ec)) {
        return ReplaceProblem::kMissing;
    }
    const DWORD attributes = ::GetFileAttributesW(Wide(ResolvedPath(path)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ReplaceProblem::kReadOnly;
    }
    // Folders have no read-only flag that means anything, and files have no
    // owner to keep: a folder that refuses new files says so at the write.
    return ReplaceProblem::kNone;
}

// A new file takes the access rules of its folder, as the file it replaces
// normally did: there are no permission bits to copy.
bool CopyPermissions(const std::string& original, File& file) {
    std::error_code ec;
    return file.Handle() != nullptr && std::filesystem::is_regular_file(sys::PathOf(original), ec);
}

// Likewise the folder's rules decide who else may write the file.
bool KeepFromOthers(File& file) {
    return file.Handle() != nullptr;
}

// A regular file, not a link. Who else may write to it is the folder's
// access rules' business (a user's folders are the user's own).
bool OnlyWeCanWrite(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    HANDLE handle = OpenForQuery(path);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = Info(handle, info);
    ::CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace torvan
