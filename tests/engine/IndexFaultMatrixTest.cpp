// SPDX-License-Identifier: GPL-3.0-or-later
// A fault injected at every file operation of an addition to a vendor
// database with EMASTER and XMASTER, in turn: the run either completes or
// leaves every file as it was, so MASTER, EMASTER and XMASTER never disagree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "JobFixture.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "database/XMaster.h"
#include "platform/FileTransaction.h"
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

// Without the work files and the journal a run may leave for the next one.
Files Visible(Files files) {
    std::erase_if(files, [](const auto& file) {
        const std::string& name = file.first;
        return name.ends_with(".~NU") || name.ends_with(".~OLD") ||
               name.starts_with(FileTransaction::kJournalName);
    });
    return files;
}

std::string Names(const Files& files) {
    std::string names;
    for (const auto& [name, bytes] : files) {
        names += name + " ";
    }
    return names;
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
        RecordingSink messages;
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
    // The index file the addition changes besides MASTER is among the files
    // the faults hit: its work file and its replacement.
    const std::string index = std::string(GetParam()) == "equis_b" ? "EMASTER" : "XMASTER";
    for (const auto& [op, file] :
         {std::pair{FileOp::Write, index + ".~NU"}, std::pair{FileOp::Rename, index}}) {
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
            return c.op == op && fs::path(c.path).filename() == file;
        })) << file;
    }
    EXPECT_NE(done.at(index),
              ReadBytes(RealData("metastock/" + std::string(GetParam()) + "/" + index)));

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
        RecordingSink messages;
        CConverter job;
        Fill(job, w, messages);
        int status = 0;
        {
            std::size_t seen = 0;
            FaultHookScope hook([&](FileOp, const std::string&) { return seen++ == k; });
            status = job.Run();
        }
        Files want = status == 0 ? done : before;
        if (status == 0 &&
            EqualsNoCase(name.substr(0, std::min<std::size_t>(name.size(), 10)), "MASTER.BAK")) {
            want.erase("MASTER.BAK");  // a backup that cannot be made does not stop the run
        }
        // Only a failed removal after the run was complete leaves work files;
        // the next run clears them away.
        Files after = Snapshot(w.db.Path());
        if (FileExists(FileTransaction::JournalPath(w.db.Path()))) {
            EXPECT_EQ(calls[k].op, FileOp::Remove) << what;
            EXPECT_EQ(Visible(after), want) << what << ": " << Names(after);
            std::string stuck;
            EXPECT_TRUE(FileTransaction::Recover(w.db.Path(), stuck)) << what << ": " << stuck;
            after = Snapshot(w.db.Path());
        }
        EXPECT_EQ(after, want) << what << ": " << Names(after);
        DatabaseIndex index;
        ASSERT_TRUE(ReadDatabaseIndex(w.db.Path(), index)) << what;
        EXPECT_TRUE(index.emasterInStep) << what;
        if (status != 0) {
            ASSERT_FALSE(messages.Messages().empty()) << what;
            std::string named = name;
            if (named.ends_with(".~CP")) {
                named.resize(named.size() - 4);
            }
            const std::string& text = messages.Messages().back().text;
            EXPECT_TRUE(text.find(named) != std::string::npos ||
                        text == "Path specified does not point to a Master file")
                << what << ": " << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Vendor, IndexFaultMatrix,
                         ::testing::Values("equis_b", "bist_full_master"));

}  // namespace
}  // namespace torvan::test
