// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What FileSystem.cpp needs from the operating system, implemented once per
// system (posix/, win32/; CMake picks one). Internal to src/platform: paths
// are UTF-8 here as everywhere in the core, descriptors are the C runtime's
// file descriptors, and errors come back as errno values.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace torvan::sys {

// A UTF-8 path as the standard library's path, and back: on Windows the
// library would otherwise read a narrow string in the ANSI code page.
std::filesystem::path PathOf(const std::string& path);
std::string Utf8Of(const std::filesystem::path& path);

// Opens path as File::Open describes it; a descriptor, or -1 with errno set.
int OpenDescriptor(const std::string& path, File::Mode mode);
void CloseDescriptor(int fd);
// Writes all of data at the descriptor's position; 0 or the errno.
int WriteAll(int fd, const void* data, std::size_t size);
// Flushes what the system holds of the descriptor's file to the disk; 0 or
// the errno.
int SyncDescriptor(int fd);
// Flushes a closed file to the disk, never through a link; 0 or the errno.
int SyncPath(const std::string& path);
// Flushes the closed files at paths to the disk, never through a link; 0,
// or the errno with failed the index of the file that failed.
int SyncPaths(const std::vector<std::string>& paths, std::size_t& failed);
// Cuts the descriptor's file to size bytes; 0 or the errno.
int TruncateDescriptor(int fd, std::uint64_t size);
// Flushes a directory, so that renames and new names in it are on the disk
// (where the system does not do that with the renames themselves).
void SyncDirectory(const std::string& dir);
// Lets the disk start on the file without waiting (a hint; may do nothing).
void StartSyncDescriptor(int fd);
// Copies the rest of in into out by the system's own means. False when it
// could not start (nothing written; the caller copies), true when it ran,
// with ok telling whether it completed.
bool SystemCopy(int inFd, int outFd, bool& ok);
// Removes a file or link (never a folder, never a link's target); 0, or the
// errno (ENOENT when there was nothing).
int Unlink(const std::string& path);
// Renames from over to in one step; 0 or the errno.
int Rename(const std::string& from, const std::string& to);
// Makes to a second name of from; 0 or the errno.
int HardLink(const std::string& from, const std::string& to);
// The name of the file at path as the directory spells it: where names are
// compared without case, it may differ from the one asked for. Empty when
// it cannot be told.
std::string StoredName(const std::string& path);
// The local calendar time of t.
std::tm LocalTime(std::time_t t);

}  // namespace torvan::sys
