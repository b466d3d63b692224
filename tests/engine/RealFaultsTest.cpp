// SPDX-License-Identifier: GPL-3.0-or-later
// The real thing rather than injected faults: a read-only database and a
// full disk. Mounting a small file system needs root; without it the
// read-only case falls back to permissions and the full-disk case is skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "JobFixture.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

// A tmpfs of the given size mounted on a fresh folder for the test's life.
class SmallDisk {
  public:
    explicit SmallDisk(const std::string& where, [[maybe_unused]] const std::string& size)
        : m_path(where) {
        fs::create_directories(m_path);
#ifndef _WIN32
        if (geteuid() == 0) {
            m_mounted = std::system(("mount -t tmpfs -o size=" + size + " torvan-test '" + m_path +
                                     "' 2>/dev/null")
                                        .c_str()) == 0;
        }
#endif
    }
    ~SmallDisk() {
        if (m_mounted) {
            (void)!std::system(("umount '" + m_path + "'").c_str());
        }
    }
    bool Mounted() const {
        return m_mounted;
    }
    bool MakeReadOnly() {
        return std::system(("mount -o remount,ro '" + m_path + "' 2>/dev/null").c_str()) == 0;
    }

  private:
    std::string m_path;
    bool m_mounted = false;
};

class RealFaults : public JobTest {
  protected:
    // A database with one security in dir.
    void Seed(const std::string& dir) {
        CConverter seed;
        Fill(seed, Input("seed.txt", "01/02/04,1,2,3,4,5,6\n"));
        seed.m_szPathOut = dir;
        ASSERT_EQ(seed.Run(), 0);
        m_messages.Clear();
    }
    static std::vector<std::string> Leftovers(const std::string& dir) {
        std::vector<std::string> odd;
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            if (name.find(".~NU") != std::string::npos || name.find(".NEW") != std::string::npos ||
                name.find(".~CP") != std::string::npos || name.find(".~OLD") != std::string::npos ||
                name[0] == '.') {
                odd.push_back(name);
            }
        }
        return odd;
    }
};

TEST_F(RealFaults, ReadOnlyDatabaseIsRefusedAndLeftAlone) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs a read-only mount or POSIX folder permissions";
#else
    const std::string dir = m_db.File("ro");
    SmallDisk disk(dir, "1m");
    Seed(dir);
    const auto master = ReadBytes(dir + "/MASTER");
    const auto data = ReadBytes(dir + "/F1.DAT");
    bool readOnly = disk.Mounted() && disk.MakeReadOnly();
    if (!readOnly && geteuid() != 0) {
        readOnly = ::chmod(dir.c_str(), 0555) == 0;
    }
    if (!readOnly) {
        GTEST_SKIP() << "cannot make a read-only directory here";
    }
    CConverter job;
    Fill(job, Input("in.txt", "01/05/04,1,2,3,4,5,6\n"), kMM_DD_YY, false);
    job.m_szPathOut = dir;
    job.m_szSymbol = "NEW";
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find(dir), std::string::npos) << m_messages.Texts()[0];
    EXPECT_EQ(ReadBytes(dir + "/MASTER"), master);
    EXPECT_EQ(ReadBytes(dir + "/F1.DAT"), data);
    ::chmod(dir.c_str(), 0755);
#endif
}

TEST_F(RealFaults, FullDiskStopsWithAMessageAndWholeFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs a small tmpfs mount";
#else
    const std::string dir = m_db.File("full");
    SmallDisk disk(dir, "64k");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    Seed(dir);
    const auto master = ReadBytes(dir + "/MASTER");
    const auto data = ReadBytes(dir + "/F1.DAT");

    // Far more records than the disk holds: the append runs out of space.
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "01/05/04,1,2,3,4,5,6\n";
    }
    CConverter job;
    Fill(job, Input("big.txt", text), kMM_DD_YY, false);
    job.m_szPathOut = dir;
    job.m_szSymbol = "BIG";
    EXPECT_EQ(job.Run(), 1);
    ASSERT_FALSE(m_messages.Texts().empty());
    EXPECT_NE(m_messages.Texts().back().find("disk full"), std::string::npos)
        << m_messages.Texts().back();
    // Nothing of the failed run is kept.
    EXPECT_EQ(ReadBytes(dir + "/MASTER"), master);
    EXPECT_EQ(ReadBytes(dir + "/F1.DAT"), data);
    EXPECT_FALSE(FileExists(dir + "/F2.DAT"));
    EXPECT_TRUE(Leftovers(dir).empty());

    // Nothing left at all: MASTER cannot even be rewritten.
    const auto before = ReadBytes(dir + "/MASTER");
    (void)!std::system(("cat /dev/zero > '" + dir + "/filler' 2>/dev/null").c_str());
    CConverter next;
    Fill(next, Input("small.txt", "01/05/04,1,2,3,4,5,6\n"), kMM_DD_YY, false);
    next.m_szPathOut = dir;
    next.m_szSymbol = "NEXT";
    EXPECT_EQ(next.Run(), 1);
    EXPECT_EQ(ReadBytes(dir + "/MASTER"), before);
    EXPECT_TRUE(Leftovers(dir).empty());
    EXPECT_NE(m_messages.Texts().back().find(dir), std::string::npos) << m_messages.Texts().back();
#endif
}

}  // namespace
}  // namespace torvan::test
