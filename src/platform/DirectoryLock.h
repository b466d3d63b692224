// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/LockFile.h"

namespace torvan {

// An exclusive, advisory lock on a database directory, held through a lock
// file in it. The system releases it when the process ends in any way, so a
// crashed conversion never blocks the next one.
class DirectoryLock {
  public:
    enum class Result {
        Locked,       // this object holds the lock
        Busy,         // another process holds it
        Unavailable,  // no lock file can be made or opened here (see Error)
        NotAFile,     // a folder, a link or the like is in the lock file's place
    };

    static constexpr const char* kFileName = ".torvan-lock";

    DirectoryLock() = default;
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    // Tries once, without waiting.
    Result TryLock(const std::string& directory);
    void Unlock();
    bool Held() const { return m_lock.Held(); }
    // The system's error number when Unavailable.
    int Error() const { return m_lock.Error(); }
    static std::string PathIn(const std::string& directory);

  private:
    LockFile m_lock;
};

}  // namespace torvan
