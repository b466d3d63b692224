#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace torvan {

LockFile::~LockFile() {
    Unlock(false);
}

LockFile::Result LockFile::Lock(const std::string& path, bool wait) {
    Unlock(false);
    // A holder may remove the file when it lets go; whoever locked the
    // removed file must try again on the new one, or two would hold "the"
    // lock.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return Result::kUnavailable;
        }
        int locked = -1;
        do {
            locked = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? Result::kBusy : Result::kUnavailable;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_path = path;
            return Result::kLocked;
        }
        ::close(fd);
    }
    return Result::kBusy;
}

void LockFile::Unlock(bool removeFile) {
    if (m_fd >= 0) {
        if (removeFile) {
            ::unlink(m_path.c_str());
        }
        ::close(m_fd);  // releases the lock
        m_fd = -1;
    }
}

}  // namespace torvan
