// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs far beyond the usual: each works or fails with a clear message, in
// bounded memory.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <filesystem>
#include <random>

#include "JobFixture.h"
#include "engine/TextReader.h"

namespace torvan::test {
namespace {

class Limits : public JobTest {
  protected:
    static std::string Lines(int count, const std::string& line) {
        std::string text;
        text.reserve(static_cast<std::size_t>(count) * line.size());
        for (int i = 0; i < count; ++i) {
            text += line;
        }
        return text;
    }
};

TEST_F(Limits, MillionLinesReverseAndStopAtTheRecordLimit) {
    CConverter job;
    Fill(job, Input("million.txt", Lines(1000000, "01/02/04,1.5\n")));
    job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
    job.m_nFieldCol[kSlotClose] = 1;
    job.m_bReverse = 1;
    const std::string before = ReadText(job.m_strInputPath);
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("65534"), std::string::npos);
    // Nothing is kept: no database, the input not reversed, no work file.
    EXPECT_TRUE(std::filesystem::is_empty(m_db.Path()));
    EXPECT_TRUE(ReadText(job.m_strInputPath) == before);
    EXPECT_FALSE(FileExists(job.m_strInputPath + ".~NU"));
}

TEST_F(Limits, LinesAsLongAsTheyMayBeAndWideLines) {
    std::string wide = "01/02/04";
    for (int i = 1; i <= 40; ++i) {
        wide += "," + std::to_string(i);
    }
    // Each long line, with its line end, just at the longest a line may be.
    const std::string text = "01/02/04,1,2,3,4,5," + std::string(kMaxLineBytes - 20, '7') + "\n" +
                             "01/05/04,1,2,3,4,5,6" + std::string(kMaxLineBytes - 21, ' ') + "\n" +
                             wide + "\n";
    CConverter job;
    Fill(job, Input("long.txt", text));
    ASSERT_EQ(job.Run(), 0);
    auto records = Records(1, 7);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_GT(records[0][6], 1e38F);  // a million digits: the largest value
    EXPECT_EQ(records[1][6], 6.0F);
    EXPECT_EQ(records[2][6], 6.0F);  // columns past the 20th are ignored
}

TEST_F(Limits, BinaryGarbageNeverCrashesNorDamagesMaster) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 5; ++round) {
        std::string garbage(200000, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(random() & 0xFF);
        }
        TempDir db;
        CConverter job;
        Fill(job, Input("garbage.bin", garbage));
        job.m_szPathOut = db.Path();
        job.m_bReverse = round % 2;
        job.m_bMonthNames = 1;
        // Garbage mostly stops at a date column of 50 or more characters.
        if (job.Run() != 0) {
            EXPECT_TRUE(std::filesystem::is_empty(db.Path()));
            EXPECT_TRUE(ReadText(job.m_strInputPath) == garbage);
            continue;
        }
        const auto master = ReadBytes(db.File("MASTER"));
        ASSERT_EQ(master.size(), 2 * 53U);
        const auto data = ReadBytes(db.File("F1.DAT"));
        EXPECT_EQ(data.size(), 28U * GetU16(data.data() + 2));
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)
// Peak memory of a conversion in a child process, in KiB.
long PeakKiB(const std::function<void()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        work();
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        // Report in 64 KiB units through the exit status.
        _exit(static_cast<int>(std::min(usage.ru_maxrss / 64, 255L)));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) * 64L : -1;
}

TEST_F(Limits, MemoryDoesNotGrowWithTheInput) {
    const std::string small = Input("small.txt", Lines(1000, "01/02/04,1,2,3,4,5,6\n"));
    const std::string large = Input("large.txt", Lines(400000, "01/02/04,1,2,3,4,5,6\n"));
    auto convert = [this](const std::string& input, const std::string& dir) {
        return [this, input, dir] {
            CConverter job;
            Fill(job, input);
            job.m_szPathOut = dir;
            job.m_pProfile = nullptr;
            job.m_bReverse = 1;
            job.Run();
        };
    };
    TempDir a;
    TempDir b;
    const long smallPeak = PeakKiB(convert(small, a.Path()));
    const long largePeak = PeakKiB(convert(large, b.Path()));
    ASSERT_GT(smallPeak, 0);
    // The large input is 8 MiB; the job may hold blocks, never the file.
    EXPECT_LT(largePeak - smallPeak, 2048) << smallPeak << " KiB vs " << largePeak << " KiB";
}

TEST_F(Limits, ALineWithoutEndTakesNoMoreMemoryThanAShortFile) {
    const std::string small = Input("small.txt", Lines(1000, "01/02/04,1,2,3,4,5,6\n"));
    const std::string endless =
        Input("endless.txt", "01/02/04,1,2,3,4,5,6\r" + std::string(std::size_t{32} << 20, '7'));
    auto convert = [this](const std::string& input, bool reverse) {
        return [this, input, reverse] {
            TempDir db;
            CConverter job;
            Fill(job, input);
            job.m_szPathOut = db.Path();
            job.m_pProfile = nullptr;
            job.m_bReverse = reverse ? 1 : 0;
            job.Run();
        };
    };
    for (const bool reverse : {false, true}) {
        const long smallPeak = PeakKiB(convert(small, reverse));
        const long endlessPeak = PeakKiB(convert(endless, reverse));
        ASSERT_GT(smallPeak, 0);
        // The line is 32 MiB; the reader may hold its limit, never the line.
        EXPECT_LT(endlessPeak - smallPeak, 2048) << smallPeak << " KiB vs " << endlessPeak;
    }
}
#endif

}  // namespace
}  // namespace torvan::test
