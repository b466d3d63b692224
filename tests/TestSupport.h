// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TestSinks.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace torvan::test {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return JoinPath(m_path, name); }

  private:
    std::string m_path;
};

// Fixes "today" while it lives.
class FixedToday : public TodaySourceScope {
  public:
    explicit FixedToday(LocalDate date) : TodaySourceScope([date] { return date; }) {}
};

// A UTF-8 path as the standard library's path, on every system, and back.
std::filesystem::path U8Path(const std::string& path);
std::string FromU8Path(const std::filesystem::path& path);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
// Every file of a folder (not its subfolders' files) with its content.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& dir);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

// Path of a file under tests/data/real.
std::string RealData(const std::string& name);

// Hex dump "00 00 01 00 ..." of bytes, for readable assertion failures.
std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace torvan::test
