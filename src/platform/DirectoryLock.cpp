#include "platform/DirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace torvan {

DirectoryLock::~DirectoryLock() {
    Unlock();
}

DirectoryLock::Result DirectoryLock::TryLock(const std::string& directory) {
    Unlock();
    const std::string path = JoinPath(directory, kFileName);
    // A holder removes the file when it lets go; whoever locked the removed
    // file must try again on the new one, or two would hold "the" lock.
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return Result::Unavailable;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return Result::Busy;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_path = path;
            return Result::Locked;
        }
        ::close(fd);
    }
    return Result::Busy;
}

void DirectoryLock::Unlock() {
    if (m_fd >= 0) {
        ::unlink(m_path.c_str());
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace torvan
