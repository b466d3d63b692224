// SPDX-License-Identifier: GPL-3.0-or-later
// Odd input encodings and two conversions into one database at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "JobFixture.h"
#include "platform/DirectoryLock.h"

namespace torvan::test {
namespace {

class Reliability : public JobTest {};

TEST_F(Reliability, Utf8ByteOrderMarkDoesNotSpoilTheFirstDate) {
    const std::string bom = "\xEF\xBB\xBF";
    for (int reverse : {0, 1}) {
        TempDir db;
        CConverter job;
        Fill(job, Input("bom.txt", bom + "01/05/04,1,2,3,4,5,6\r\n01/02/04,1,2,3,4,5,6\r\n"));
        job.m_szPathOut = db.Path();
        job.m_bReverse = reverse;
        ASSERT_EQ(job.Run(), 0) << reverse;
        auto bytes = ReadBytes(db.File("F1.DAT"));
        ASSERT_EQ(bytes.size(), 3 * 28U);
        EXPECT_EQ(MbfToFloat(bytes.data() + 28), reverse ? 1040102.0F : 1040105.0F);
        if (reverse) {
            // The mark stays at the start of the rewritten file.
            EXPECT_EQ(ReadText(job.m_strInputPath),
                      bom + "01/02/04,1,2,3,4,5,6\r\n01/05/04,1,2,3,4,5,6\r\n");
        }
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

// Spreadsheets save "Unicode text" as UTF-16 with a byte-order mark: it
// converts as its UTF-8 form does, in both byte orders, reversed or not.
TEST_F(Reliability, Utf16InputConvertsLikeItsUtf8Form) {
    const std::string utf8 = "01/05/04,1,2,3,4,5,6\r\n01/02/04,1.5,2,3,4,5,6\r\n";
    auto encode = [&](bool little) {
        std::string out = little ? std::string("\xFF\xFE") : std::string("\xFE\xFF");
        for (char c : utf8) {
            out += little ? std::string{c, '\0'} : std::string{'\0', c};
        }
        return out;
    };
    for (int reverse : {0, 1}) {
        std::vector<std::uint8_t> expected;
        for (int encoding : {0, 1, 2}) {
            TempDir db;
            CConverter job;
            const std::string text = encoding == 0 ? utf8 : encode(encoding == 1);
            const std::string input = Input("wide.txt", text);
            Fill(job, input);
            job.m_szPathOut = db.Path();
            job.m_bReverse = reverse;
            ASSERT_EQ(job.Run(), 0) << reverse << encoding;
            const auto bytes = ReadBytes(db.File("F1.DAT"));
            ASSERT_EQ(bytes.size(), 3 * 28U);
            if (encoding == 0) {
                expected = bytes;
                continue;
            }
            EXPECT_EQ(Hex(bytes), Hex(expected)) << reverse << encoding;
            if (reverse) {
                // Rewritten as UTF-8 with its mark; the backup keeps the original.
                EXPECT_EQ(ReadText(input),
                          std::string("\xEF\xBB\xBF") +
                              "01/02/04,1.5,2,3,4,5,6\r\n01/05/04,1,2,3,4,5,6\r\n");
                EXPECT_EQ(ReadText(input + ".BAK"), text);
            } else {
                EXPECT_EQ(ReadText(input), text);
            }
        }
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

// A second process holds the database while this one tries to convert.
TEST_F(Reliability, SecondConversionIntoALockedDatabaseChangesNothing) {
    CConverter first;
    Fill(first, Input("a.txt", "01/02/04,1,2,3,4,5,6\n"));
    ASSERT_EQ(first.Run(), 0);
    const auto master = Master();

    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(30);  // never outlive a parent that failed before releasing
        DirectoryLock lock;
        const char state = lock.TryLock(m_db.Path()) == DirectoryLock::Result::Locked ? 'L' : 'x';
        (void)!write(ready[1], &state, 1);
        char go = 0;
        (void)!read(release[0], &go, 1);
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'L');

    CConverter second;
    Fill(second, Input("b.txt", "01/02/04,1,2,3,4,5,6\n"), kMM_DD_YY, false);
    second.m_szSymbol = "OTHER";
    EXPECT_EQ(second.Run(), 1);
    EXPECT_EQ(Master(), master);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("Another conversion"), std::string::npos);

    // The holder dies without unlocking: its lock must not outlive it.
    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(second.Run(), 0);
    EXPECT_EQ(GetU16(Master().data()), 2);
    EXPECT_FALSE(FileExists(m_db.File(DirectoryLock::kFileName)));
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        close(fd);
    }
}

// A lock that cannot be taken stops the run; nothing is written unlocked
// and no link carries the lock file elsewhere.
TEST_F(Reliability, LockFileThatIsNotAFileStopsTheRun) {
    namespace fs = std::filesystem;
    TempDir outside;
    const std::string lock = m_db.File(DirectoryLock::kFileName);
    const std::string victim = outside.File("victim");
    const std::vector<std::function<void()>> plants = {
        [&] { fs::create_directory(lock); },
        [&] { fs::create_symlink(victim, lock); },
        [&] {
            WriteText(victim, "keep");
            fs::create_symlink(victim, lock);
        },
        [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0); },
    };
    for (std::size_t i = 0; i < plants.size(); ++i) {
        SCOPED_TRACE(i);
        fs::remove_all(lock);
        fs::remove(victim);
        plants[i]();
        m_messages.Clear();
        CConverter job;
        Fill(job, Input("a.txt", "01/02/04,1,2,3,4,5,6\n"));
        EXPECT_EQ(job.Run(), 1);
        EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"LockFileNotAFile"});
        EXPECT_FALSE(FileExists(m_db.File("MASTER")));
        EXPECT_TRUE(!FileExists(victim) || ReadText(victim) == "keep");
    }
}

// A lock file left by another user, which we may not write, still locks:
// a stale one blocks nobody, and two runs still exclude each other.
TEST_F(Reliability, LockFileWeCannotWriteIsLockedReadOnly) {
    const std::string lock = m_db.File(DirectoryLock::kFileName);
    WriteText(lock, "");
    ASSERT_EQ(::chmod(lock.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(m_db.Path().c_str(), 0777), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            _exit(2);
        }
        DirectoryLock first;
        DirectoryLock second;
        const bool ok = first.TryLock(m_db.Path()) == DirectoryLock::Result::Locked &&
                        second.TryLock(m_db.Path()) == DirectoryLock::Result::Busy;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Work files planted as links (symbolic or hard) to files elsewhere: they
// are replaced, never written through, and no target ends up a link.
TEST_F(Reliability, PlantedWorkFilesNeverCarryAWriteElsewhere) {
    namespace fs = std::filesystem;
    for (const bool hard : {false, true}) {
        SCOPED_TRACE(hard ? "hard links" : "symbolic links");
        TempDir db;
        TempDir outside;
        const std::string input = Input("in.txt", "01/03/04,1,2,3,4,5,6\n01/02/04,1,2,3,4,5,6\n");
        auto plant = [&](const std::vector<std::string>& works) {
            for (const std::string& work : works) {
                const std::string victim = outside.File(fs::path(work).filename().string());
                WriteText(victim, "keep");
                hard ? fs::create_hard_link(victim, work) : fs::create_symlink(victim, work);
            }
        };
        plant({db.File("F1.DAT.~NU"), db.File("F1.DOP.~NU"), db.File("MASTER.~NU")});
        CConverter first;
        Fill(first, Input("a.txt", "01/02/04,1,2,3,4,5,6\n"));
        first.m_szPathOut = db.Path();
        EXPECT_EQ(first.Run(), 0) << ::testing::PrintToString(m_messages.Texts());
        fs::remove_all(outside.Path());
        fs::create_directory(outside.Path());
        plant({db.File("F2.DAT.~NU"), db.File("F2.DOP.~NU"), db.File("MASTER.~NU"),
               db.File("MASTER.BAK.~NU"), input + ".~NU"});
        CConverter second;
        Fill(second, input, kMM_DD_YY, false);
        second.m_szPathOut = db.Path();
        second.m_szSymbol = "TWO";
        second.m_bReverse = 1;
        EXPECT_EQ(second.Run(), 0) << ::testing::PrintToString(m_messages.Texts());
        for (const auto& entry : fs::directory_iterator(outside.Path())) {
            EXPECT_EQ(ReadText(entry.path().string()), "keep") << entry.path();
        }
        for (const std::string& path : {db.File("F1.DAT"), db.File("F2.DAT"), db.File("F2.DOP"),
                                        db.File("MASTER"), db.File("MASTER.BAK"), input}) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << path;
            EXPECT_EQ(fs::hard_link_count(path), 1U) << path;
        }
    }
}

// Many processes add securities to one database at once: every one that
// reports success is in MASTER, and MASTER stays a whole file throughout.
TEST_F(Reliability, ConcurrentConversionsLoseNoSecurity) {
    {
        CConverter seed;
        Fill(seed, Input("seed.txt", "01/02/04,1,2,3,4,5,6\n"));
        seed.m_szSymbol = "SEED";
        ASSERT_EQ(seed.Run(), 0);
    }
    const std::string input = Input("p.txt", "01/02/04,1,2,3,4,5,6\n01/05/04,1,2,3,4,5,6\n");
    constexpr int kProcesses = 6;
    constexpr int kEach = 5;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int added = 0;
            for (int i = 0; i < kEach; ++i) {
                // Retry while another process holds the database.
                for (int attempt = 0; attempt < 2000; ++attempt) {
                    CConverter job;
                    Fill(job, input, kMM_DD_YY, false);
                    job.m_pProfile = nullptr;
                    job.m_szSymbol = "P" + std::to_string(p) + "_" + std::to_string(i);
                    if (job.Run() == 0) {
                        ++added;
                        break;
                    }
                    usleep(1000);
                }
            }
            _exit(added);
        }
        children.push_back(pid);
    }
    int total = 0;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        total += WEXITSTATUS(status);
    }
    EXPECT_EQ(total, kProcesses * kEach);
    const auto master = Master();
    EXPECT_EQ(master.size(), 53U * static_cast<std::size_t>(2 + total));
    EXPECT_EQ(GetU16(master.data()), 1 + total);
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kEach; ++i) {
            MasterRecord found;
            EXPECT_EQ(
                FindSecurity(m_db.Path(), "P" + std::to_string(p) + "_" + std::to_string(i), found),
                kFound);
        }
    }
}

}  // namespace
}  // namespace torvan::test
