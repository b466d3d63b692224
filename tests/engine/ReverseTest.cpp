// SPDX-License-Identifier: GPL-3.0-or-later
// Reversing newest-first input files, and month names in dates.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "JobFixture.h"
#include "engine/MonthNames.h"
#include "engine/TextReader.h"

namespace torvan::test {
namespace {

class Reverse : public JobTest {
  protected:
    // Runs the reversal stage alone on text; returns its status.
    int ReverseOn(const std::string& text, int skip = 0) {
        m_input = Input("prices.txt", text);
        Fill(m_job, m_input);
        m_job.m_szPathOut = m_db.Path();
        m_job.m_bSkipRows = skip > 0 ? 1 : 0;
        m_job.m_nSkipRows = skip;
        return m_job.ReverseInput();
    }
    // Nothing but the input and its backup beside it, nothing in the database.
    bool TempFilesGone() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_inputs.Path())) {
            const std::string name = entry.path().filename().string();
            if (name != "prices.txt" && name != "prices.txt.BAK") {
                return false;
            }
        }
        return std::filesystem::is_empty(m_db.Path());
    }
    CConverter m_job;
    std::string m_input;
};

TEST_F(Reverse, DropsSkippedRowsAndEmptyLinesKeepsLineEnds) {
    const std::string text = "Date,Close\r\nheader 2\r\nC,3\r\n\r\n   \r\nB,2\r\nA,1";
    ASSERT_EQ(ReverseOn(text, 2), 0);
    // A last line without an end takes the file's own CR LF.
    EXPECT_EQ(ReadText(m_input), "A,1\r\nB,2\r\n   \r\nC,3\r\n");
    EXPECT_EQ(ReadText(m_input + ".BAK"), text);
    EXPECT_EQ(m_job.m_bSkipRows, 0);
    EXPECT_TRUE(TempFilesGone());
    EXPECT_TRUE(m_messages.Messages().empty());

    // Twice reverses back; the backup then holds the once-reversed text.
    Fill(m_job, m_input);
    ASSERT_EQ(m_job.ReverseInput(), 0);
    EXPECT_EQ(ReadText(m_input), "C,3\r\n   \r\nB,2\r\nA,1\r\n");
    EXPECT_EQ(ReadText(m_input + ".BAK"), "A,1\r\nB,2\r\n   \r\nC,3\r\n");
}

TEST_F(Reverse, SingleLineWithoutEndAndOneCharacterLines) {
    // "7" alone at the end is dropped; "x" with its line end is two long and stays.
    ASSERT_EQ(ReverseOn("x\nLF line\n7"), 0);
    EXPECT_EQ(ReadText(m_input), "LF line\nx\n");
    ASSERT_EQ(ReverseOn("only line"), 0);
    EXPECT_EQ(ReadText(m_input), "only line\r\n");
}

TEST_F(Reverse, NothingLeftFailsSilentlyAndLeavesTheInput) {
    const std::string text = "h1\nh2\n\n";
    EXPECT_EQ(ReverseOn(text, 2), 1);
    EXPECT_EQ(ReadText(m_input), text);
    EXPECT_TRUE(TempFilesGone());
    EXPECT_FALSE(FileExists(m_input + ".BAK"));
    EXPECT_EQ(ReverseOn(text, 50), 1);
    EXPECT_EQ(ReadText(m_input), text);
    EXPECT_TRUE(TempFilesGone());
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(Reverse, LargeFileWithLongLinesAcrossBlocks) {
    // Lines as long as a line may be, across the reader's blocks, and many
    // short ones.
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        std::size_t length = i % 500 == 0 ? 60000 : static_cast<std::size_t>(i % 50);
        if (i == 9001) {
            length = kMaxLineBytes - 5;
        }
        std::string line = std::to_string(i) + std::string(length, 'v');
        lines.push_back(line);
        text += line + "\n";
    }
    ASSERT_EQ(ReverseOn(text), 0);
    std::string expected;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        expected += *it + "\n";
    }
    EXPECT_TRUE(ReadText(m_input) == expected);
}

TEST_F(Reverse, LoneCarriageReturnsKeepTheirOwnEnds) {
    struct {
        std::string text;
        int skip;
        std::string reversed;
    } cases[] = {
        // The last line takes the file's own end: here a lone CR.
        {"Date,Close\rC,3\rB,2\r\rA,1", 1, "A,1\rB,2\rC,3\r"},
        {"h\r\nC,3\rB,2\r\r\nA,1\n", 1, "A,1\nB,2\r\r\nC,3\r"},
        {"C,3\nB,2\r\nA,1\r", 0, "A,1\rB,2\r\nC,3\n"},
        {"C,3\r\r", 0, "C,3\r"},
    };
    // Lines as long as may be, across the reversal's blocks.
    cases[3].text += "Z,9\r";
    cases[3].reversed.insert(0, "Z,9\r");
    for (const char c : std::string("DEFGH")) {
        cases[3].text += std::string(kMaxLineBytes - 1, c) + "\r";
        cases[3].reversed.insert(0, std::string(kMaxLineBytes - 1, c) + "\r");
    }
    for (const auto& c : cases) {
        ASSERT_EQ(ReverseOn(c.text, c.skip), 0) << c.skip;
        EXPECT_TRUE(ReadText(m_input) == c.reversed) << testing::PrintToString(ReadText(m_input));
    }
}

TEST_F(Reverse, LineLongerThanAnyPriceLineIsRefusedAndTheInputKept) {
    const std::string tooLong(kMaxLineBytes + 1, 'x');
    for (const std::string& text :
         {"a,1\rb,2\r" + tooLong + "\rc,3\r", "a,1\nb,2\r\n" + tooLong, "h\nh\r" + tooLong}) {
        m_messages.Clear();
        EXPECT_EQ(ReverseOn(text, 1), 1);
        EXPECT_TRUE(ReadText(m_input) == text);
        EXPECT_TRUE(TempFilesGone());
        ASSERT_EQ(m_messages.Messages().size(), 1U);
        EXPECT_EQ(m_messages.Messages()[0].id, "LineTooLong");
        EXPECT_NE(m_messages.Texts()[0].find("Line 3 "), std::string::npos)
            << m_messages.Texts()[0];
    }
}

TEST_F(Reverse, FailureLeavesInputUntouchedAndRunStops) {
    const std::string text = "01/05/04,1,2,3,4,5,6\n01/02/04,1,2,3,4,5,6\n";
    m_input = Input("prices.txt", text);
    CConverter job;
    Fill(job, m_input);
    job.m_bReverse = 1;
    FaultHookScope faults([&](FileOp op, const std::string& path) {
        return op == FileOp::Rename && path == m_input;
    });
    EXPECT_NE(job.Run(), 0);
    faults.Remove();
    EXPECT_EQ(ReadText(m_input), text);
    EXPECT_EQ(Records(1, 7).size(), 0U);  // the conversion did not run
    EXPECT_FALSE(FileExists(m_input + ".~CP"));
}

TEST_F(Reverse, NewestFirstFileConvertsOldestFirst) {
    m_input = Input("prices.txt", "Date,Close\n01/06/04,3\n01/05/04,2\n\n01/02/04,1\n");
    CConverter job;
    Fill(job, m_input);
    job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
    job.m_nFieldCol[kSlotClose] = 1;
    job.m_bReverse = 1;
    job.m_bSkipRows = 1;
    job.m_nSkipRows = 1;
    ASSERT_EQ(job.Run(), 0);
    EXPECT_EQ(Records(1, 2),
              (std::vector<std::vector<float>>{{1040102, 1}, {1040105, 2}, {1040106, 3}}));
    EXPECT_EQ(Stored(Entry(1).firstDate), 1040102.0F);
    EXPECT_EQ(Stored(Entry(1).lastDate), 1040106.0F);
}

TEST_F(Reverse, FooterAndUtf16TextAreReversedAsTheConversionReadsThem) {
    // The footer: the last line that has a column, with the column-less
    // lines around it; the lines before it stay.
    m_input = Input("prices.txt",
                    "Date,Close\n01/06/04,3\n01/05/04,2\n,,,\n01/02/04,1\nSource: exchange\n,,\n");
    Fill(m_job, m_input);
    m_job.m_bSkipRows = 1;
    m_job.m_nSkipRows = 1;
    m_job.m_nFooterRows = 1;
    ASSERT_EQ(m_job.ReverseInput(), 0);
    EXPECT_EQ(ReadText(m_input), "01/02/04,1\n,,,\n01/05/04,2\n01/06/04,3\n");
    EXPECT_EQ(m_job.m_nFooterRows, 0);
    EXPECT_TRUE(TempFilesGone());

    // UTF-16 text comes back as UTF-8 with its mark, and converts.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Date,Close\r\n01/06/04,3\r\n01/02/04,1\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    m_input = Input("prices.txt", utf16);
    CConverter job;
    Fill(job, m_input);
    job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
    job.m_nFieldCol[kSlotClose] = 1;
    job.m_bReverse = 1;
    job.m_bSkipRows = 1;
    job.m_nSkipRows = 1;
    ASSERT_EQ(job.Run(), 0) << testing::PrintToString(m_messages.Texts());
    EXPECT_EQ(ReadText(m_input),
              "\xEF\xBB\xBF"
              "01/02/04,1\r\n01/06/04,3\r\n");
    EXPECT_EQ(ReadText(m_input + ".BAK"), utf16);
    EXPECT_EQ(Records(1, 2), (std::vector<std::vector<float>>{{1040102, 1}, {1040106, 3}}));
    std::vector<std::string> names;
    for (const auto& dir : {m_inputs.Path(), m_db.Path()}) {
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER", "prices.txt",
                                               "prices.txt.BAK"}));
}

// The reversed file takes the input's place as the same file to its user:
// permissions, owner and group kept, a link still pointing at it.
TEST_F(Reverse, ReversedInputKeepsPermissionsOwnerAndLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs POSIX permissions, owners and symbolic links";
#else
    namespace fs = std::filesystem;
    const std::string text = "01/05/04,1,2,3,4,5,6\n01/02/04,1,2,3,4,5,6\n";
    const std::string reversed = "01/02/04,1,2,3,4,5,6\n01/05/04,1,2,3,4,5,6\n";
    fs::create_directory(m_inputs.File("real"));
    const std::string real = m_inputs.File("real/prices.txt");
    WriteText(real, text);
    ::chmod(real.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4321), 0);
    }
    const std::string link = m_inputs.File("link.txt");
    fs::create_symlink(real, link);

    CConverter job;
    Fill(job, link);
    job.m_bReverse = 1;
    ASSERT_EQ(job.Run(), 0) << testing::PrintToString(m_messages.Texts());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), real);
    EXPECT_EQ(ReadText(real), reversed);
    EXPECT_EQ(ReadText(link + ".BAK"), text);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321U);
        EXPECT_EQ(st.st_gid, 4321U);
    } else {
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
    // Nothing else beside the file or the link.
    std::vector<std::string> names;
    for (const auto& dir : {m_inputs.Path(), m_inputs.File("real")}) {
        for (const auto& e : fs::directory_iterator(dir)) {
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.txt", "link.txt.BAK", "prices.txt", "real"}));
#endif
}

TEST_F(Reverse, ReadOnlyInputIsRefusedBeforeAnythingIsWritten) {
    const std::string text = "01/05/04,1,2,3,4,5,6\n01/02/04,1,2,3,4,5,6\n";
    m_input = Input("prices.txt", text);
    ::chmod(m_input.c_str(), 0444);
    CConverter job;
    Fill(job, m_input);
    job.m_bReverse = 1;
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("read-only"), std::string::npos) << m_messages.Texts()[0];
    EXPECT_NE(m_messages.Texts()[0].find(m_input), std::string::npos);
    EXPECT_EQ(ReadText(m_input), text);
    EXPECT_TRUE(TempFilesGone());
    EXPECT_FALSE(FileExists(m_input + ".BAK"));
    EXPECT_TRUE(m_profile.writes.empty());
}

TEST(MonthNames, TranslationCases) {
    struct Case {
        std::string in;
        std::string out;
        int result;
    };
    const Case cases[] = {
        {"15-JAN-03", "15-01-03", 1},
        {"15-Jan-2003", "15-01-2003", 1},
        {"15JAN03", "150103", 1},
        {"jan-15-03", "01-15-03", 1},
        {"Jan 15 2003", "0115 2003", 1},
        {"15 Jan 2003", "1501 2003", 1},
        {"03/15/2003", "03/15/2003", 0},
        {"15-Foo-03", "15-Foo-03", 1},
        {"15_JAN_03", "15_JAN_03", 1},  // the search starts at the underscore
        {"January 15 2003", "01uary15 2003", 1},
        {"09-AUG-2024", "09-08-2024", 1},
        {"1-De", "1-De", 1},                // too short for a name
        {"\xc3\xa9 12", "\xc3\xa9 12", 0},  // bytes of 128 and above do not count
    };
    for (const Case& c : cases) {
        std::string date = c.in;
        EXPECT_EQ(TranslateMonthName(date), c.result) << c.in;
        EXPECT_EQ(date, c.out) << c.in;
    }
}

}  // namespace
}  // namespace torvan::test
