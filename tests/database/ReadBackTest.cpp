// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a converted security back: the summary of its first and last
// records agrees with reading every record.
#include <gtest/gtest.h>

#include "database/DatabaseReader.h"
#include "engine/JobFixture.h"

namespace torvan::test {
namespace {

class ReadBack : public JobTest {
  protected:
    void Convert(const std::string& symbol, const std::string& text) {
        CConverter job;
        Fill(job, Input(symbol + ".txt", text), kMM_DD_YY, !FileExists(m_db.File("MASTER")));
        job.m_szSymbol = symbol;
        ASSERT_EQ(job.Run(), 0);
    }
};

TEST_F(ReadBack, EndsAgreeWithAllRecordsForAnySize) {
    std::string many;
    for (int i = 1; i <= 28; ++i) {
        many += "02/" + std::to_string(i) + "/04," + std::to_string(i) + ",2,3,4,5,6\n";
    }
    Convert("MANY", many);
    Convert("ONE", "01/02/04,1.5,2,3,4,5,6\n");
    Convert("TWO", "01/02/04,1,2,3,4,5,6\n01/05/04,7,8,9,10,11,12\n");
    // Bytes past the header's count are no records.
    auto bytes = ReadBytes(m_db.File("F2.DAT"));
    bytes.insert(bytes.end(), 28 + 5, 0x41);
    WriteBytes(m_db.File("F2.DAT"), bytes);

    for (const char* symbol : {"MANY", "ONE", "TWO"}) {
        SecurityRecords all;
        SecurityRecords ends;
        ASSERT_EQ(ReadSecurity(m_db.Path(), symbol, all), ReadResult::kOk) << symbol;
        ASSERT_EQ(ReadSecurityEnds(m_db.Path(), symbol, ends), ReadResult::kOk) << symbol;
        ASSERT_FALSE(all.rows.empty()) << symbol;
        std::vector<std::vector<float>> expected = {all.rows.front()};
        if (all.rows.size() > 1) {
            expected.push_back(all.rows.back());
        }
        EXPECT_EQ(ends.rows, expected) << symbol;
        EXPECT_EQ(ends.entry.recordCount, all.entry.recordCount) << symbol;
        EXPECT_EQ(ends.entry.fieldNames, all.entry.fieldNames) << symbol;
        EXPECT_EQ(ends.dataPath, all.dataPath) << symbol;
    }
    SecurityRecords none;
    EXPECT_EQ(ReadSecurityEnds(m_db.Path(), "ABSENT", none), ReadResult::kNotFound);
    WriteBytes(m_db.File("F3.DAT"), {1, 2});
    EXPECT_EQ(ReadSecurityEnds(m_db.Path(), "TWO", none), ReadResult::kCannotReadData);
}

}  // namespace
}  // namespace torvan::test
