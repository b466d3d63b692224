// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirectoryLock.h"

#include "platform/FileSystem.h"

namespace torvan {

DirectoryLock::~DirectoryLock() {
    Unlock();
}

DirectoryLock::Result DirectoryLock::TryLock(const std::string& directory) {
    switch (m_lock.Lock(PathIn(directory), false)) {
        case LockFile::Result::kLocked:
            return Result::Locked;
        case LockFile::Result::kBusy:
            return Result::Busy;
        case LockFile::Result::kNotAFile:
            return Result::NotAFile;
        case LockFile::Result::kUnavailable:
            break;
    }
    return Result::Unavailable;
}

std::string DirectoryLock::PathIn(const std::string& directory) {
    return JoinPath(directory, kFileName);
}

void DirectoryLock::Unlock() {
    m_lock.Unlock(true);
}

}  // namespace torvan
