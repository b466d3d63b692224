// SPDX-License-Identifier: GPL-3.0-or-later
// The check, the reader and an addition on arbitrary MASTER, EMASTER,
// XMASTER and price file bytes. Byte 0: flags; bytes 1..6: the lengths of
// MASTER, EMASTER and XMASTER (16 bits each); the rest is cut into those
// three files and F1.DAT.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "TestSinks.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "engine/Converter.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace {

void Write(const std::string& path, const std::string& content) {
    torvan::File file;
    if (file.Open(path, torvan::File::Mode::Write)) {
        file.Write(content);
        file.Close();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const torvan::TodaySourceScope today([] { return torvan::LocalDate{2026, 12, 7}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    if (size < 7) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 7), size - 7);
    auto take = [&](std::size_t at) {
        const std::size_t length =
            static_cast<std::size_t>(data[at] | (data[at + 1] << 8)) % (rest.size() + 1);
        std::string part = rest.substr(0, length);
        rest.erase(0, length);
        return part;
    };
    const std::string master = take(1);
    const std::string emaster = take(3);
    const std::string xmaster = take(5);
    const std::string dir = fuzz::EmptyDir("db");
    Write(JoinPath(dir, (flags & 2) != 0 ? "master" : "MASTER"), master);
    if ((flags & 4) != 0) {
        Write(JoinPath(dir, "EMASTER"), emaster);
    }
    if ((flags & 8) != 0) {
        Write(JoinPath(dir, "xmaster"), xmaster);
    }
    Write(JoinPath(dir, "F1.DAT"), rest);

    for (const Finding& finding : CheckDatabase(dir)) {
        FUZZ_CHECK(!finding.id.empty() && finding.Line().find('\n') == std::string::npos);
    }
    std::vector<SecurityEntry> entries;
    if (ListSecurities(dir, entries)) {
        for (std::size_t i = 0; i < entries.size() && i < 8; ++i) {
            SecurityRecords records;
            ReadSecurity(dir, entries[i].symbol, records);
        }
    }

    if ((flags & 1) == 0) {
        return 0;
    }
    DatabaseIndex before;
    const bool readable = ReadDatabaseIndex(dir, before);
    const std::string input = JoinPath(fuzz::EmptyDir("in"), "in.txt");
    Write(input, "01/02/04,1,2,0.5,1.5,100,10\n");
    CConverter job;
    test::NullSink sink;
    job.m_pSink = &sink;
    job.m_strInputPath = input;
    job.m_szPathOut = dir;
    job.m_szSymbol = "NEWSYM";
    job.m_szName = "A name longer than sixteen characters";
    job.m_nDateFormat = 3;
    job.m_bExistingMaster = 1;
    job.m_bXMaster = (flags & 16) != 0 ? 1 : 0;
    job.m_bEMaster = (flags & 32) != 0 ? 1 : 0;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        job.m_bFieldOn[s] = 1;
        job.m_nFieldCol[s] = static_cast<int>(s);
    }
    if (job.Run() != 0 || !readable) {
        return 0;
    }
    // An EMASTER in step with MASTER stays so when MASTER takes the security.
    DatabaseIndex after;
    FUZZ_CHECK(ReadDatabaseIndex(dir, after));
    std::error_code sizeError;
    const auto masterSize = std::filesystem::file_size(before.masterPath, sizeError);
    const bool masterWhole =
        before.master.records.size() == before.master.header.entryCount && !sizeError &&
        masterSize == kMasterRecordSize * (1U + before.master.header.entryCount);
    if (before.emasterInStep && masterWhole && !job.m_bInXMaster) {
        FUZZ_CHECK(after.emasterInStep);
    }
    return 0;
}
