// SPDX-License-Identifier: GPL-3.0-or-later
// Locks on Windows: LockFileEx on the lock file, released by the system
// when the handle is closed or the process ends.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/LockFile.h"
#include "platform/win32/Win32.h"

namespace torvan {
namespace {

constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// Shared for reading and writing, so that others can open it and wait for
// the lock, but not for deletion: nobody can remove the file while anyone
// holds it open, so the file locked is always the one the name leads to.
HANDLE OpenLockFile(const std::wstring& name, DWORD& error) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                  OPEN_ALWAYS, flags, nullptr);
    error = ::GetLastError();
    if (handle == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED) {
        // Locking needs no write access.
        handle = ::CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags,
                               nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            error = ::GetLastError();
        }
    }
    return handle;
}

}  // namespace

LockFile::~LockFile() {
    Unlock(false);
}

LockFile::Result LockFile::Lock(const std::string& path, bool wait) {
    Unlock(false);
    int fd = -1;
    if (const Result opened = Open(path, fd); opened != Result::kLocked) {
        return opened;
    }
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    const DWORD how = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (!::LockFileEx(handle, how, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        ::_close(fd);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            return Result::kBusy;
        }
        m_error = win32::ErrnoOf(error);
        return Result::kUnavailable;
    }
    m_fd = fd;
    m_path = path;
    return Result::kLocked;
}

LockFile::Result LockFile::Open(const std::string& path, int& fd) {
    const std::wstring name = win32::Wide(path);
    DWORD error = 0;
    HANDLE handle = OpenLockFile(name, error);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotAFile) != 0) {
            return Result::kNotAFile;
        }
        m_error = win32::ErrnoOf(error);
        return Result::kUnavailable;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & kNotAFile) != 0) {
        ::CloseHandle(handle);
        return Result::kNotAFile;
    }
    fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        m_error = EMFILE;
        return Result::kUnavailable;
    }
    return Result::kLocked;
}

void LockFile::Unlock(bool removeFile) {
    if (m_fd >= 0) {
        ::_close(m_fd);  // releases the lock
        m_fd = -1;
        if (removeFile) {
            // Fails, harmlessly, while another process has it open to wait
            // for the lock: it then stays for that one.
            ::DeleteFileW(win32::Wide(m_path).c_str());
        }
    }
}

}  // namespace torvan
