// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "database/Dates.h"
#include "database/Master.h"
#include "database/Mbf.h"
#include "engine/Converter.h"

namespace torvan::test {

// Records the profile writes of a job.
class ProfileRecorder : public IProfileWriter {
  public:
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override {
        writes.push_back(section + "/" + entry + "=" + value);
        return true;
    }
    std::vector<std::string> writes;
};

// A temporary database directory, a place for input files, a fixed today
// (7 December 2026) and a message recorder.
class JobTest : public ::testing::Test {
  protected:
    JobTest() : m_today(LocalDate{2026, 12, 7}) {}

    // A job with all seven fields in columns 1..7, comma, the given format.
    void Fill(CConverter& job, const std::string& input, int format = kMM_DD_YY,
              bool newMaster = true) {
        job.m_strInputPath = input;
        job.m_szPathOut = m_db.Path();
        job.m_szSymbol = "IBM";
        job.m_szName = "Intl Bus Mach";
        job.m_szDelimiter = ",";
        job.m_nDateFormat = format;
        job.m_bExistingMaster = newMaster ? 0 : 1;
        for (int s = 0; s < kFieldSlots; ++s) {
            job.m_bFieldOn[static_cast<std::size_t>(s)] = 1;
            job.m_nFieldCol[static_cast<std::size_t>(s)] = s;
        }
        job.m_pProfile = &m_profile;
        job.m_pSink = &m_messages;
    }

    std::string Input(const std::string& name, const std::string& text) {
        const std::string path = m_inputs.File(name);
        WriteText(path, text);
        return path;
    }

    std::vector<std::uint8_t> Master() const { return ReadBytes(m_db.File("MASTER")); }

    // Entry k (1-based) of MASTER.
    MasterRecord Entry(int k) const {
        auto bytes = Master();
        EXPECT_GE(bytes.size(), kMasterRecordSize * static_cast<std::size_t>(k + 1));
        return MasterRecord::Unpack(bytes.data() + kMasterRecordSize * static_cast<std::size_t>(k));
    }

    // Price records of F<n>.DAT as floats (dates as their stored value).
    std::vector<std::vector<float>> Records(int fileNumber, int fields) const {
        auto bytes = ReadBytes(m_db.File("F" + std::to_string(fileNumber) + ".DAT"));
        std::vector<std::vector<float>> out;
        const std::size_t size = static_cast<std::size_t>(fields) * 4;
        for (std::size_t off = size; off + size <= bytes.size(); off += size) {
            std::vector<float> rec;
            for (std::size_t i = 0; i < size; i += 4) {
                rec.push_back(MbfToFloat(bytes.data() + off + i));
            }
            out.push_back(rec);
        }
        return out;
    }

    static float Stored(const Bytes4& bytes) { return MbfToFloat(bytes); }

    TempDir m_db;
    TempDir m_inputs;
    FixedToday m_today;
    RecordingSink m_messages;
    ProfileRecorder m_profile;
};

}  // namespace torvan::test
