// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole CConverter::Run of an arbitrary input file into a new database,
// with the invariants every run keeps: no work file left behind; a failed run
// leaves the input as it was and the database folder empty; a successful one
// leaves one security whose data file matches its MASTER entry.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "database/DataFile.h"
#include "engine/Converter.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace torvan::fuzz {

inline bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Work files no run may leave behind.
inline bool IsWorkFile(const std::string& name) {
    return name == "~CLEAN.TXT" || name == "~REVERSE.TXT" || name == "~TEMP.TXT" ||
           EndsWith(name, ".NEW") || EndsWith(name, ".~NU") || EndsWith(name, ".~CP") ||
           EndsWith(name, ".~OLD") || name.rfind(".torvan-", 0) == 0;
}

inline std::vector<std::uint8_t> Bytes(const std::string& path) {
    auto content = ReadWholeFile(path);
    FUZZ_CHECK(content.has_value());
    return {content->begin(), content->end()};
}

// Dates are checked against a fixed today, so that a run's outcome does not
// depend on the day it is fuzzed.
inline void FixToday() {
    static const TodaySourceScope today([] { return LocalDate{2026, 12, 7}; });
}

// Bytes 0..3 of `options` choose delimiter, reversal, skipped rows, month
// names, date format, fields and their first column; `more` sets anything
// else on the job. `input` is the price file.
inline void RunConversion(const std::uint8_t* options, const std::string& input,
                          const std::function<void(CConverter&)>& more) {
    const std::string inputDir = EmptyDir("input");
    const std::string dbDir = EmptyDir("db");
    CConverter job;
    job.m_strInputPath = JoinPath(inputDir, "prices.txt");
    FUZZ_CHECK(WriteFileAtomically(job.m_strInputPath, input));
    job.m_szPathOut = dbDir;
    job.m_szSymbol = "FUZZ";
    job.m_szName = "Fuzz Security";
    job.m_szDelimiter = std::string(1, ",;\t "[options[0] & 3]);
    job.m_bReverse = (options[0] >> 2) & 1;
    job.m_bSkipRows = (options[0] >> 3) & 1;
    job.m_nSkipRows = (options[0] >> 4) & 3;
    job.m_bMonthNames = (options[0] >> 6) & 1;
    job.m_nDateFormat = options[1] % 13;
    // The chosen fields take consecutive columns from byte 3's start column.
    int column = options[3] % 24;
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        job.m_bFieldOn[s] =
            slot == kSlotDate ? (options[2] & 0x40) == 0 : (options[2] >> (slot - 1)) & 1;
        job.m_nFieldCol[s] = job.m_bFieldOn[s] != 0 ? column++ : 0;
    }
    more(job);
    const int status = job.Run();

    for (const std::string& dir : {inputDir, dbDir}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            FUZZ_CHECK(!IsWorkFile(entry.path().filename().string()));
        }
    }
    if (status != 0) {
        // Nothing of a failed run is kept, not even the new MASTER.
        FUZZ_CHECK(std::filesystem::is_empty(dbDir));
        const auto kept = Bytes(job.m_strInputPath);
        FUZZ_CHECK(std::string(kept.begin(), kept.end()) == input);
        return;
    }
    const auto master = Bytes(JoinPath(dbDir, "MASTER"));
    FUZZ_CHECK(master.size() == 53U * (1U + GetU16(master.data())));
    const std::size_t recordLength = 4U * static_cast<std::size_t>(job.m_nFieldCount);
    FUZZ_CHECK(master.size() == 106 && master[53] == 1 && master[53 + 3] == recordLength);
    const auto prices = Bytes(JoinPath(dbDir, "F1.DAT"));  // a new database: upper case
    FUZZ_CHECK(prices.size() % recordLength == 0 && prices.size() >= 2 * recordLength);
    FUZZ_CHECK(GetU16(prices.data() + 2) == prices.size() / recordLength);
}

}  // namespace torvan::fuzz
