// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace torvan {

// An exclusive, advisory lock held through a lock file. The system releases
// it when the process ends in any way, so a crashed holder never blocks the
// next one.
class LockFile {
  public:
    enum class Result {
        kLocked,       // this object holds the lock
        kBusy,         // another holder has it (only when not waiting)
        kUnavailable,  // no lock file can be made or opened there (see Error)
        kNotAFile,     // a folder, a link or the like is in the lock file's place
    };

    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Takes the lock of the file at path, creating it if needed; waits for
    // the holder to let go when wait is set, else tries once. A link is
    // never followed; a lock file that is there but not writable by us is
    // locked read-only, so a stale one of another user blocks nobody.
    Result Lock(const std::string& path, bool wait);
    // Lets go; removeFile also removes the lock file, so nothing is left
    // behind in a directory that belongs to the user.
    void Unlock(bool removeFile = false);
    bool Held() const { return m_fd >= 0; }
    // The system's error number of the last kUnavailable.
    int Error() const { return m_error; }

  private:
    Result Open(const std::string& path, int& fd);

    int m_fd = -1;
    int m_error = 0;
    std::string m_path;
};

}  // namespace torvan
