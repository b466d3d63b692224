// SPDX-License-Identifier: GPL-3.0-or-later
// Databases whose index files disagree with themselves, folders holding
// price files that no index lists, folders that cannot be written: a
// conversion refuses the first, never replaces the second, and says why the
// third failed.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#include "JobFixture.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/XMaster.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::vector<std::uint8_t>>;

constexpr const char* kPrices = "01/02/04,1,2,0.5,1.5,100,10\n01/05/04,2,3,1,2.5,200,20\n";

Files Snapshot(const std::string& dir) {
    Files files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] =
            e.is_regular_file() ? ReadBytes(e.path().string()) : std::vector<std::uint8_t>{};
    }
    return files;
}

class DamagedDatabase : public JobTest {
  protected:
    int Add(const std::string& symbol, bool newMaster = false, int emaster = 0, int xmaster = 0) {
        CConverter job;
        Fill(job, Input(symbol + ".txt", kPrices), kMM_DD_YY, newMaster);
        job.m_szSymbol = symbol;
        job.m_bEMaster = emaster;
        job.m_bXMaster = xmaster;
        const int status = job.Run();
        number = job.m_nFileNumber;
        return status;
    }

    // A MASTER, and an EMASTER, with securities A, B and C (numbers 1 to 3).
    void ThreeSecurities() {
        ASSERT_EQ(Add("A", true, 1), 0);
        ASSERT_EQ(Add("B"), 0);
        ASSERT_EQ(Add("C"), 0);
        m_messages.Clear();
    }

    void Edit(const std::string& name, const std::function<void(std::vector<std::uint8_t>&)>& f) {
        auto bytes = ReadBytes(m_db.File(name));
        f(bytes);
        WriteBytes(m_db.File(name), bytes);
    }

    void EmptyDatabase() {
        for (const auto& e : fs::directory_iterator(m_db.Path())) {
            fs::remove_all(e.path());
        }
        m_messages.Clear();
    }

    int number = 0;
};

TEST_F(DamagedDatabase, AnIndexWhoseCountDisagreesWithItsSizeIsRefusedUntouched) {
    struct Case {
        const char* what;
        const char* file;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"MASTER cut short, header still counts 3", "MASTER", [](auto& b) { b.resize(100); }},
        {"MASTER counting 1 of its 3 records", "MASTER", [](auto& b) { b[0] = 1; }},
        {"EMASTER counting 3, holding 1", "EMASTER",
         [](auto& b) { b.resize(2 * kEMasterRecordSize); }},
        {"XMASTER counting 2, holding none", "XMASTER",
         [](auto& b) {
             const std::string x = NewXMasterContent();
             b.assign(x.begin(), x.end());
             b[10] = 2;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmptyDatabase();
        ThreeSecurities();
        if (!FileExists(m_db.File(c.file))) {
            WriteBytes(m_db.File(c.file), {});
        }
        Edit(c.file, c.damage);
        const Files before = Snapshot(m_db.Path());
        EXPECT_EQ(Add("NEW"), 1);
        ASSERT_EQ(m_messages.Ids(), std::vector<std::string>{"IndexCountDisagrees"});
        const std::string text = m_messages.Messages()[0].text;
        EXPECT_NE(text.find(m_db.File(c.file)), std::string::npos) << text;
        EXPECT_NE(text.find("torvan-cli check"), std::string::npos) << text;
        EXPECT_EQ(Snapshot(m_db.Path()), before);
    }
}

TEST_F(DamagedDatabase, ZeroRecordsPastTheCountArePaddingAndTheNewEntryGoesBeforeThem) {
    ThreeSecurities();
    Edit("MASTER", [](auto& b) { b.resize(b.size() + 2 * kMasterRecordSize, 0); });
    ASSERT_EQ(Add("NEW"), 0) << ::testing::PrintToString(m_messages.Ids());
    EXPECT_EQ(number, 4);
    EXPECT_EQ(Entry(4).SymbolText(), "NEW");
    EXPECT_EQ(Master().size(), 7 * kMasterRecordSize);
    std::vector<SecurityEntry> listed;
    ASSERT_TRUE(ListSecurities(m_db.Path(), listed));
    ASSERT_EQ(listed.size(), 4U);
    EXPECT_EQ(listed.back().symbol, "NEW");
}

TEST_F(DamagedDatabase, ANewSecurityNeverTakesTheNumberOfPriceFilesThatAreThere) {
    struct Case {
        const char* stray;
        bool fullMaster;  // the security goes into XMASTER
        int expected;
    };
    const Case cases[] = {
        {"F1.DAT", false, 2},    {"f1.dop", false, 2},    {"F1.mwd", false, 2},
        {"F1.DAT/", false, 2},  // a folder
        {"F256.MWD", true, 257}, {"f256.DOP", true, 257}, {"F256.dat", true, 257},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stray);
        EmptyDatabase();
        if (c.fullMaster) {
            MasterHeader h;
            h.entryCount = h.fileCounter = kMaxSecurities;
            const auto hb = h.Pack();
            std::vector<std::uint8_t> master(hb.begin(), hb.end());
            for (int n = 1; n <= kMaxSecurities; ++n) {
                MasterRecord r;
                r.fileNumber = static_cast<std::uint8_t>(n);
                r.symbol = PadField("S" + std::to_string(n));
                const auto rb = r.Pack();
                master.insert(master.end(), rb.begin(), rb.end());
            }
            WriteBytes(m_db.File("MASTER"), master);
        }
        const std::string stray = m_db.File(c.stray);
        if (stray.back() == '/') {
            fs::create_directory(stray);
        } else {
            WriteText(stray, "someone else's");
        }
        ASSERT_EQ(Add("NEW", !c.fullMaster, 0, c.fullMaster ? 1 : 0), 0)
            << ::testing::PrintToString(m_messages.Ids());
        EXPECT_EQ(number, c.expected);
        if (stray.back() != '/') {
            EXPECT_EQ(ReadText(stray), "someone else's");
        }
    }
}

TEST_F(DamagedDatabase, AFailedWriteSaysPermissionDeniedReadOnlyOrDiskFull) {
    struct Case {
        const char* file;  // the work file whose creation fails
        int error;
        const char* id;
    };
    const Case cases[] = {
        {"F1.DAT.~NU", EACCES, "WritePermissionDenied"},
        {"F1.DAT.~NU", EPERM, "WritePermissionDenied"},
        {"F1.DAT.~NU", EROFS, "ReadOnlyFileSystem"},
        {"F1.DAT.~NU", ENOSPC, "DiskFull"},
#ifdef EDQUOT
        {"F1.DOP.~NU", EDQUOT, "DiskFull"},
#endif
        {"F1.DAT.~NU", 0, "CannotCreateFile"},  // no reason known
        // A text that asks whether the disk is full keeps asking it then.
        {"MASTER.~NU", ENOSPC, "CannotWriteTemporaryFile"},
        {"MASTER.~NU", EACCES, "WritePermissionDenied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.error));
        EmptyDatabase();
        const std::string path = m_db.File(c.file);
        FaultHookScope hook([&](FileOp op, const std::string& p) {
            errno = op == FileOp::Open && p == path ? c.error : 0;
            return op == FileOp::Open && p == path;
        });
        EXPECT_EQ(Add("NEW", true), 1);
        ASSERT_FALSE(m_messages.Messages().empty());
        EXPECT_EQ(m_messages.Messages()[0].id, c.id);
        EXPECT_NE(m_messages.Messages()[0].text.find(path), std::string::npos);
        EXPECT_FALSE(FileExists(m_db.File("MASTER")));
    }
}

}  // namespace
}  // namespace torvan::test
