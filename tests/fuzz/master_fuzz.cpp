// SPDX-License-Identifier: GPL-3.0-or-later
// FindSecurity and the stages that add a security, on arbitrary MASTER bytes.
// Byte 0: flags, byte 1: symbol length, byte 2: where to split, then the
// symbol, then the MASTER content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "database/DataFile.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

using torvan::kMasterRecordSize;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether field, up to a NUL, starts with text, ignoring ASCII case.
template <std::size_t N>
bool FieldStartsWith(const std::array<std::uint8_t, N>& field, const std::string& text) {
    const auto end = std::find(field.begin(), field.end(), 0);
    return static_cast<std::size_t>(end - field.begin()) >= text.size() &&
           std::equal(text.begin(), text.end(), field.begin(), [](char a, std::uint8_t b) {
               return Lower(a) == Lower(static_cast<char>(b));
           });
}

std::string Read(const std::string& path) {
    return torvan::ReadWholeFile(path).value_or(std::string());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const torvan::TodaySourceScope today([] { return torvan::LocalDate{2026, 12, 7}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    if (size < 3 || size < 3U + data[1] % 20) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    const std::string symbol(reinterpret_cast<const char*>(data + 3), data[1] % 20);
    std::string top(reinterpret_cast<const char*>(data + 3 + symbol.size()),
                    size - 3 - symbol.size());
    const std::string dir = fuzz::EmptyDir("db");
    const std::string masterName = (flags & 2) != 0 ? "master" : "MASTER";
    const bool split = (flags & 1) != 0 && top.size() >= kMasterRecordSize;
    const std::string subDir = JoinPath(dir, (flags & 4) != 0 ? "sub" : "SUB");
    std::string sub;
    if (split) {
        // A subdirectory entry right after the header, the first records in
        // the top MASTER and the rest as the subdirectory's MASTER.
        const std::size_t end = std::min(top.size(), kMasterRecordSize * (1U + data[2] % 8));
        sub = top.substr(end);
        std::string entry(kMasterRecordSize, '\0');
        entry.replace(7, 16, "SUB        <DIR>");
        top = top.substr(0, kMasterRecordSize) + entry +
              top.substr(kMasterRecordSize, end - kMasterRecordSize);
        std::filesystem::create_directory(subDir);
        FUZZ_CHECK(WriteFileAtomically(JoinPath(subDir, "MASTER"), sub));
    }
    const std::string masterPath = JoinPath(dir, masterName);
    FUZZ_CHECK(WriteFileAtomically(masterPath, top));

    MasterRecord found;
    const std::int16_t status = FindSecurity(dir, symbol, found);
    const std::string sought = symbol.substr(0, symbol.find('\0'));
    if (status == kFound) {
        FUZZ_CHECK(!found.IsSubdirectory());
        FUZZ_CHECK(FieldStartsWith(found.name, sought) || FieldStartsWith(found.symbol, sought));
    }

    CConverter job;
    job.m_szPathOut = dir;
    job.m_bExistingMaster = 1;
    job.m_szSymbol = symbol;
    job.m_szName = "Fuzz Security";
    job.m_bFieldOn.fill(1);
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        job.m_nFieldCol[static_cast<std::size_t>(slot)] = slot;
    }
    int added = job.CheckOutputDirectory();
    FUZZ_CHECK(added == 0);
    added = job.CheckColumnCount();
    FUZZ_CHECK(added == 0);
    added = job.CheckDuplicateSymbol();
    FUZZ_CHECK((added != 0) == (status == kFound));
    if (added == 0) {
        added = job.AddSecurity();
    }
    if (added == 0) {
        added = job.Commit();
    }

    const std::string after = Read(masterPath);
    if (split) {
        FUZZ_CHECK(Read(JoinPath(subDir, "MASTER")) == sub);
    }
    if (added != 0) {
        FUZZ_CHECK(after == top);
        return 0;
    }
    // The header's two counters go up by one, the whole records are copied,
    // bytes past the last whole record are dropped and one record is added
    // right after the counted ones, before the all-zero padding behind them.
    const std::size_t kept = top.size() / kMasterRecordSize * kMasterRecordSize;
    FUZZ_CHECK(after.size() == kept + kMasterRecordSize);
    const auto* oldBytes = reinterpret_cast<const std::uint8_t*>(top.data());
    const auto* newBytes = reinterpret_cast<const std::uint8_t*>(after.data());
    FUZZ_CHECK(GetU16(newBytes) == GetU16(oldBytes) + 1);
    FUZZ_CHECK(GetU16(newBytes + 2) == GetU16(oldBytes + 2) + 1);
    const std::size_t at = kMasterRecordSize * (GetU16(oldBytes) + 1U);
    FUZZ_CHECK(at <= kept);
    FUZZ_CHECK(after.compare(4, at - 4, top, 4, at - 4) == 0);
    FUZZ_CHECK(after.compare(at + kMasterRecordSize, kept - at, top, at, kept - at) == 0);
    FUZZ_CHECK(std::all_of(top.begin() + static_cast<std::ptrdiff_t>(at),
                           top.begin() + static_cast<std::ptrdiff_t>(kept),
                           [](char c) { return c == '\0'; }));
    const std::uint8_t number = newBytes[at];
    FUZZ_CHECK(number != 0 && number == job.m_nFileNumber);
    for (std::size_t offset = kMasterRecordSize; offset < kept; offset += kMasterRecordSize) {
        FUZZ_CHECK(oldBytes[offset] != number);
    }
    FUZZ_CHECK(FindFileNoCase(dir, "F" + std::to_string(number) + ".DAT"));
    return 0;
}
