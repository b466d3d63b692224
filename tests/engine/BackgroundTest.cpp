// SPDX-License-Identifier: GPL-3.0-or-later
// The work a conversion hands to a thread of its own: the flush of a large
// reversed input, and the same work where no thread can be had.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "JobFixture.h"
#include "platform/BackgroundTask.h"

namespace torvan::test {
namespace {

// Newest first, more than a megabyte: large enough to be flushed on a thread.
std::string LargeNewestFirst() {
    std::string text;
    char line[64];
    for (int year = 2040; year >= 1961; --year) {
        for (int month = 12; month >= 1; --month) {
            for (int day = 28; day >= 1; --day) {
                std::snprintf(line, sizeof line,
                              "%02d/%02d/%04d,101.5,102.5,100.5,101.25,%d,20000\n", month, day,
                              year, 1000000 + day);
                text += line;
            }
        }
    }
    return text;
}

class Background : public JobTest {};

TEST_F(Background, FlushOfTheReversedInputFailsCleanlyOnItsThread) {
    const std::string text = LargeNewestFirst();
    ASSERT_GT(text.size(), CConverter::kBackgroundSyncBytes);
    struct Case {
        bool threads;  // a thread can be had
        bool fail;     // a flush of the reversed input off the caller's thread fails
    };
    for (const Case c : {Case{true, true}, Case{true, false}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << "threads " << c.threads << ", fail " << c.fail);
        std::filesystem::remove_all(m_db.Path());
        std::filesystem::create_directories(m_db.Path());
        const std::string input = Input("prices.txt", text);
        std::filesystem::remove(input + ".BAK");
        m_messages.Clear();
        std::optional<BackgroundTask::NoThreadsScope> noThreads;
        if (!c.threads) {
            noThreads.emplace();
        }
        const std::thread::id caller = std::this_thread::get_id();
        bool offCaller = false;
        const std::string work = input + ".~NU";
        FaultHookScope faults(
            [&](FileOp op, const std::string& path) {
                if (op != FileOp::Flush || path != work || std::this_thread::get_id() == caller) {
                    return false;
                }
                offCaller = true;
                return c.fail;
            },
            BackgroundJobs::kOnThreads);
        CConverter job;
        Fill(job, input, kMM_DD_CCYY);
        job.m_bReverse = 1;
        const int status = job.Run();
        faults.Remove();

        EXPECT_EQ(offCaller, c.threads);
        if (c.fail) {
            EXPECT_NE(status, 0);
            EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"CannotWriteTemporaryFile"});
            EXPECT_EQ(ReadText(input), text);
            EXPECT_FALSE(FileExists(input + ".BAK"));
            EXPECT_FALSE(FileExists(work));
            EXPECT_FALSE(FileExists(m_db.File("MASTER")));
        } else {
            ASSERT_EQ(status, 0);
            const auto records = Records(1, 7);
            ASSERT_EQ(records.size(), 80U * 12 * 28);
            EXPECT_EQ(records.front()[0], 610101.0F);
            EXPECT_EQ(records.back()[0], 1401228.0F);
            EXPECT_EQ(ReadText(input + ".BAK"), text);
        }
    }
}

}  // namespace
}  // namespace torvan::test
