// A fault injected at every file operation of a whole conversion in turn:
// the run reports it, and no file a user owns is ever left half written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "JobFixture.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

struct Call {
    FileOp op;
    std::string path;
};

const char* OpName(FileOp op) {
    switch (op) {
        case FileOp::Open:
            return "Open";
        case FileOp::Read:
            return "Read";
        case FileOp::Write:
            return "Write";
        case FileOp::Flush:
            return "Flush";
        case FileOp::Close:
            return "Close";
        case FileOp::Rename:
            return "Rename";
        case FileOp::Remove:
            return "Remove";
        case FileOp::Copy:
            return "Copy";
    }
    return "?";
}

// An existing database with one security, and a newest-first input with a
// header row, converted with reversal: every stage touches files.
class FaultMatrix : public ::testing::Test {
  protected:
    struct World {
        TempDir db;
        TempDir inputs;
        std::string input;
    };

    static constexpr const char* kInput =
        "Date,Open,High,Low,Close,Volume,OI\r\n"
        "01/06/04,3,4,2,3.5,300,30\r\n"
        "01/05/04,2,3,1,2.5,200,20\r\n"
        "\r\n"
        "01/02/04,1,2,0.5,1.5,100,10";

    void Prepare(World& w) {
        w.input = w.inputs.File("prices.txt");
        WriteText(w.input, kInput);
        CConverter seed;
        Fill(seed, w, w.inputs.File("seed.txt"));
        WriteText(seed.m_strInputPath, "12/31/03,9,9,9,9,9,9\n");
        seed.m_bExistingMaster = 0;
        seed.m_bReverse = 0;
        seed.m_bSkipRows = 0;
        seed.m_szSymbol = "OLD";
        ASSERT_EQ(seed.Run(), 0);
        fs::remove(w.db.File("MASTER.BAK"));
    }

    static void Fill(CConverter& job, World& w, const std::string& input) {
        job.m_strInputPath = input;
        job.m_szPathOut = w.db.Path();
        job.m_szSymbol = "NEW";
        job.m_szName = "New one";
        job.m_nDateFormat = kMM_DD_YY;
        job.m_bExistingMaster = 1;
        job.m_bReverse = 1;
        job.m_bSkipRows = 1;
        job.m_nSkipRows = 1;
        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            job.m_bFieldOn[s] = 1;
            job.m_nFieldCol[s] = static_cast<int>(s);
        }
    }

    static std::set<std::string> Names(const std::string& dir) {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            names.insert(e.path().filename().string());
        }
        return names;
    }

    // MASTER with the first and last date of its last entry blanked.
    static std::vector<std::uint8_t> WithoutNewDates(std::vector<std::uint8_t> master) {
        if (master.size() >= 2 * kMasterRecordSize) {
            std::fill_n(master.end() - kMasterRecordSize + 25, 8, 0);
        }
        return master;
    }

    FixedToday m_today{LocalDate{2026, 12, 7}};
};

TEST_F(FaultMatrix, EveryFileOperationFailsCleanly) {
    // A clean run gives the call list and every state a file may be left in.
    World clean;
    Prepare(clean);
    const auto masterBefore = ReadBytes(clean.db.File("MASTER"));
    const auto otherData = ReadBytes(clean.db.File("F1.DAT"));
    std::vector<Call> calls;
    {
        MessageRecorder messages;
        CConverter job;
        Fill(job, clean, clean.input);
        job.m_pSink = &messages;
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            calls.push_back({op, path});
            return false;
        });
        ASSERT_EQ(job.Run(), 0);
        faults.Remove();
        ASSERT_TRUE(messages.Messages().empty());
    }
    const auto masterAdded = ReadBytes(clean.db.File("MASTER.BAK"));
    const auto masterFinal = ReadBytes(clean.db.File("MASTER"));
    const auto newData = ReadBytes(clean.db.File("F2.DAT"));
    const std::string reversed = ReadText(clean.input);
    ASSERT_GT(calls.size(), 30U);

    for (std::size_t k = 0; k < calls.size(); ++k) {
        const std::string what = std::string(OpName(calls[k].op)) + " " +
                                 fs::path(calls[k].path).filename().string() + " (call " +
                                 std::to_string(k) + ")";
        World w;
        Prepare(w);
        MessageRecorder messages;
        CConverter job;
        Fill(job, w, w.input);
        job.m_pSink = &messages;
        std::size_t seen = 0;
        FaultHookScope faults([&](FileOp, const std::string&) { return seen++ == k; });
        const int status = job.Run();
        faults.Remove();

        const auto master = ReadBytes(w.db.File("MASTER"));
        const std::string input = ReadText(w.input);
        EXPECT_EQ(ReadBytes(w.db.File("F1.DAT")), otherData) << what;
        EXPECT_TRUE(input == kInput || input == reversed) << what;
        if (status == 0) {
            // A fault the run got round (a failed backup copy or removal of
            // a work file, a rename that fell back to a copy): all done.
            EXPECT_EQ(master, masterFinal) << what;
            EXPECT_EQ(ReadBytes(w.db.File("F2.DAT")), newData) << what;
            EXPECT_EQ(input, reversed) << what;
        } else {
            // Whole, and either untouched, with the new entry, or with the
            // new entry dated by the lines converted before the fault.
            EXPECT_TRUE(master == masterBefore || master == masterAdded ||
                        WithoutNewDates(master) == WithoutNewDates(masterFinal))
                << what;
            ASSERT_FALSE(messages.Messages().empty()) << what;
            const std::string& text = messages.Messages().back().text;
            std::string name = fs::path(calls[k].path).filename().string();
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".~CP") == 0) {
                name.resize(name.size() - 4);
            }
            EXPECT_TRUE(text.find(name) != std::string::npos ||
                        text == "Path specified does not point to a Master file")
                << what << ": " << text;
        }
        const std::set<std::string> allowed = {"MASTER",     "MASTER.BAK",   "F1.DAT",
                                               "F1.DOP",     "F2.DAT",       "F2.DOP",
                                               "~CLEAN.TXT", "~REVERSE.TXT", "~TEMP.TXT"};
        for (const std::string& name : Names(w.db.Path())) {
            EXPECT_TRUE(allowed.count(name) == 1) << what << " left " << name;
        }
        if (master == masterBefore) {
            EXPECT_FALSE(FileExists(w.db.File("F2.DAT"))) << what;
        }
        for (const std::string& name : Names(w.inputs.Path())) {
            EXPECT_TRUE(name == "prices.txt" || name == "prices.txt.BAK" || name == "seed.txt")
                << what << " left " << name;
        }
    }
}

}  // namespace
}  // namespace torvan::test
