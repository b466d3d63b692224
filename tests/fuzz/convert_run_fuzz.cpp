// A whole CConverter::Run of an arbitrary input file into a new database.
// Bytes 0..3 choose the job's options, the rest is the input file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "database/DataFile.h"
#include "engine/Converter.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Work files no run may leave behind.
bool IsWorkFile(const std::string& name) {
    return name == "~CLEAN.TXT" || name == "~REVERSE.TXT" || name == "~TEMP.TXT" ||
           EndsWith(name, ".NEW") || EndsWith(name, ".~NU") || EndsWith(name, ".~CP") ||
           EndsWith(name, ".~OLD") || name.rfind(".torvan-", 0) == 0;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    auto content = torvan::ReadWholeFile(path);
    FUZZ_CHECK(content.has_value());
    return {content->begin(), content->end()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const torvan::TodaySourceScope today([] { return torvan::LocalDate{2026, 12, 7}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    if (size < 4) {
        return 0;
    }
    const std::string inputDir = fuzz::EmptyDir("input");
    const std::string dbDir = fuzz::EmptyDir("db");
    CConverter job;
    job.m_strInputPath = JoinPath(inputDir, "prices.txt");
    FUZZ_CHECK(WriteFileAtomically(job.m_strInputPath,
                                   std::string(reinterpret_cast<const char*>(data + 4), size - 4)));
    const std::string original(reinterpret_cast<const char*>(data + 4), size - 4);
    job.m_szPathOut = dbDir;
    job.m_szSymbol = "FUZZ";
    job.m_szName = "Fuzz Security";
    job.m_szDelimiter = std::string(1, ",;\t "[data[0] & 3]);
    job.m_bReverse = (data[0] >> 2) & 1;
    job.m_bSkipRows = (data[0] >> 3) & 1;
    job.m_nSkipRows = (data[0] >> 4) & 3;
    job.m_bMonthNames = (data[0] >> 6) & 1;
    job.m_nDateFormat = data[1] % 13;
    // The chosen fields take consecutive columns from byte 3's start column.
    int column = data[3] % 24;
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        job.m_bFieldOn[s] = slot == kSlotDate ? (data[2] & 0x40) == 0 : (data[2] >> (slot - 1)) & 1;
        job.m_nFieldCol[s] = job.m_bFieldOn[s] != 0 ? column++ : 0;
    }
    const int status = job.Run();

    for (const std::string& dir : {inputDir, dbDir}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            FUZZ_CHECK(!IsWorkFile(entry.path().filename().string()));
        }
    }
    if (status != 0) {
        // Nothing of a failed run is kept, not even the new MASTER.
        FUZZ_CHECK(std::filesystem::is_empty(dbDir));
        const auto input = Bytes(job.m_strInputPath);
        FUZZ_CHECK(std::string(input.begin(), input.end()) == original);
        return 0;
    }
    const auto master = Bytes(JoinPath(dbDir, "MASTER"));
    FUZZ_CHECK(master.size() == 53U * (1U + GetU16(master.data())));
    const std::size_t recordLength = 4U * static_cast<std::size_t>(job.m_nFieldCount);
    FUZZ_CHECK(master.size() == 106 && master[53] == 1 && master[53 + 3] == recordLength);
    const auto prices = Bytes(JoinPath(dbDir, "F1.DAT"));  // a new database: upper case
    FUZZ_CHECK(prices.size() % recordLength == 0 && prices.size() >= 2 * recordLength);
    FUZZ_CHECK(GetU16(prices.data() + 2) == prices.size() / recordLength);
    return 0;
}
