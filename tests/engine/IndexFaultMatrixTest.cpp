// A fault injected at every file operation of an addition to a vendor
// database with EMASTER and XMASTER, in turn: MASTER and EMASTER never
// disagree afterwards, XMASTER is whole, and no other file is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "JobFixture.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "database/XMaster.h"
#include "platform/Text.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::vector<std::uint8_t>>;

Files Snapshot(const std::string& dir) {
    Files files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] = ReadBytes(e.path().string());
    }
    return files;
}

struct Call {
    FileOp op;
    std::string path;
};

class IndexFaultMatrix : public ::testing::TestWithParam<const char*> {
  protected:
    struct World {
        TempDir db;
        TempDir inputs;
        std::string input;
    };

    void Prepare(World& w) {
        for (const auto& e :
             fs::directory_iterator(RealData(std::string("metastock/") + GetParam()))) {
            const std::string to = w.db.File(e.path().filename().string());
            fs::copy_file(e.path(), to);
            fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
        }
        w.input = w.inputs.File("prices.txt");
        WriteText(w.input,
                  "Date,Open,High,Low,Close,Volume,OI\n01/02/04,1,2,0.5,1.5,100,10\n"
                  "01/05/04,2,3,1,2.5,200,20\n");
    }

    static void Fill(CConverter& job, World& w, IMessageSink& sink) {
        job.m_strInputPath = w.input;
        job.m_szPathOut = w.db.Path();
        job.m_szSymbol = "NEW";
        job.m_szName = "A new security with a long name";
        job.m_nDateFormat = kMM_DD_YY;
        job.m_bExistingMaster = 1;
        job.m_bSkipRows = 1;
        job.m_nSkipRows = 1;
        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            job.m_bFieldOn[s] = 1;
            job.m_nFieldCol[s] = static_cast<int>(s);
        }
        job.m_pSink = &sink;
    }

    FixedToday m_today{LocalDate{2026, 12, 7}};
};

TEST_P(IndexFaultMatrix, EveryFileOperationFailsCleanly) {
    World clean;
    Prepare(clean);
    const Files before = Snapshot(clean.db.Path());
    std::vector<Call> calls;
    {
        MessageRecorder messages;
        CConverter job;
        Fill(job, clean, messages);
        FaultHookScope hook([&](FileOp op, const std::string& path) {
            calls.push_back({op, path});
            return false;
        });
        ASSERT_EQ(job.Run(), 0);
        ASSERT_TRUE(messages.Messages().empty());
    }
    const Files done = Snapshot(clean.db.Path());
    ASSERT_GT(calls.size(), 20U);

    for (std::size_t k = 0; k < calls.size(); ++k) {
        // A run of the same operation on one file (MASTER read record by
        // record) is one place in the code: its first call stands for it.
        if (k > 0 && calls[k].op == calls[k - 1].op && calls[k].path == calls[k - 1].path) {
            continue;
        }
        const std::string name = fs::path(calls[k].path).filename().string();
        const std::string what = "fault " + std::to_string(static_cast<int>(calls[k].op)) + " on " +
                                 name + " (call " + std::to_string(k) + ")";
        World w;
        Prepare(w);
        MessageRecorder messages;
        CConverter job;
        Fill(job, w, messages);
        int status = 0;
        {
            std::size_t seen = 0;
            FaultHookScope hook([&](FileOp, const std::string&) { return seen++ == k; });
            status = job.Run();
        }
        const Files after = Snapshot(w.db.Path());

        // The vendor's price files are never touched; nothing is left over.
        for (const auto& [file, bytes] : before) {
            const std::string kind = ToUpperAscii(file);
            if (kind != "MASTER" && kind != "EMASTER" && kind != "XMASTER") {
                ASSERT_TRUE(after.count(file)) << what << ": " << file << " is gone";
                EXPECT_EQ(after.at(file), bytes) << what << ": " << file;
            }
        }
        for (const auto& [file, bytes] : after) {
            EXPECT_TRUE(done.count(file) == 1) << what << " left " << file;
        }
        // MASTER and EMASTER agree; each index file is as before or as the
        // whole run left it, bar the new entry's dates.
        DatabaseIndex index;
        ASSERT_TRUE(ReadDatabaseIndex(w.db.Path(), index)) << what;
        EXPECT_TRUE(index.emasterInStep) << what;
        ASSERT_TRUE(index.xmaster) << what;
        const bool added = std::any_of(index.entries.begin(), index.entries.end(),
                                       [](const IndexEntry& e) { return e.symbol == "NEW"; });
        for (const char* kind : {"MASTER", "EMASTER", "XMASTER"}) {
            const std::string file =
                fs::path(*FindFileNoCase(w.db.Path(), kind)).filename().string();
            const auto& now = after.at(file);
            if (now == before.at(file)) {
                continue;
            }
            EXPECT_TRUE(added) << what << ": " << file << " changed without the new entry";
            EXPECT_EQ(now.size(), done.at(file).size()) << what << ": " << file;
        }
        if (status == 0) {
            // A fault the run got round (a failed backup copy, a rename that
            // fell back to a copy): all done, bar perhaps the backup.
            for (const auto& [file, bytes] : done) {
                if (!EqualsNoCase(file, "MASTER.BAK")) {
                    EXPECT_TRUE(after.count(file) == 1 && after.at(file) == bytes)
                        << what << ": " << file;
                }
            }
            continue;
        }
        if (!added) {
            for (const auto& [file, bytes] : after) {
                EXPECT_TRUE(before.count(file) == 1 || EqualsNoCase(file, "MASTER.BAK"))
                    << what << ": " << file << " made without the new entry";
            }
        }
        ASSERT_FALSE(messages.Messages().empty()) << what;
        std::string named = name;
        for (const char* suffix : {".~NU", ".NEW", ".~CP"}) {
            if (named.size() > 4 && EqualsNoCase(named.substr(named.size() - 4), suffix)) {
                named.resize(named.size() - 4);
            }
        }
        const bool named_ = std::any_of(
            messages.Messages().begin(), messages.Messages().end(), [&](const Message& m) {
                return m.text.find(named) != std::string::npos || m.id == "NoMasterFile";
            });
        EXPECT_TRUE(named_) << what << ": " << messages.Messages().back().text;
    }
}

INSTANTIATE_TEST_SUITE_P(Vendor, IndexFaultMatrix,
                         ::testing::Values("equis_b", "bist_full_master"));

}  // namespace
}  // namespace torvan::test
