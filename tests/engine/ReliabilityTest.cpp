// SPDX-License-Identifier: GPL-3.0-or-later
// Odd input encodings and two conversions into one database at once.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>

#include "JobFixture.h"
#include "platform/DirectoryLock.h"
#include "platform/FileTransaction.h"
#include "platform/LockFile.h"

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
    // The run that keeps the newest-first order says its dates go back.
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"LinesOutOfOrder"});
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
    // The runs that keep the newest-first order say their dates go back.
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>(3, "LinesOutOfOrder"));
}

// A second process holds the database while this one tries to convert.
TEST_F(Reliability, SecondConversionIntoALockedDatabaseChangesNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
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
#endif
}

// A lock that cannot be taken stops the run; nothing is written unlocked
// and no link carries the lock file elsewhere.
TEST_F(Reliability, LockFileThatIsNotAFileStopsTheRun) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
    namespace fs = std::filesystem;
    TempDir outside;
    const std::string lock = m_db.File(DirectoryLock::kFileName);
    const std::string victim = outside.File("victim");
    const std::vector<std::function<void()> > plants = {
        [&] { fs::create_directory(lock); },
        [&] { fs::create_symlink(victim, lock); },
        [&] {
            WriteText(victim, "keep");
            fs::create_symlink(victim, lock);
        },
#ifndef _WIN32
        [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0); },
#endif
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
#endif
}

// A lock file left by another user, which we may not write, still locks:
// a stale one blocks nobody, and two runs still exclude each other.
TEST_F(Reliability, LockFileWeCannotWriteIsLockedReadOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
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
#endif
}

// Work files planted as links (symbolic or hard) to files elsewhere: they
// are replaced, never written through, and no target ends up a link.
TEST_F(Reliability, PlantedWorkFilesNeverCarryAWriteElsewhere) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
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
#endif
}

#ifndef _WIN32
// A newest-first input of n lines, days apart.
std::string NewestFirst(int n) {
    std::string text;
    for (int i = n - 1; i >= 0; --i) {
        char line[64];
        std::snprintf(line, sizeof line, "%02d/%02d/%02d,%d,2,3,4,5,6\n", 1 + (i / 28) % 12,
                      1 + i % 28, (i / 336) % 100, i % 97);
        text += line;
    }
    return text;
}

// Runs job in a child process that dies just before it renames anything
// onto target; true when it got there.
bool KillBeforeRename(CConverter& job, const std::string& target) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(60);
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            if (op == FileOp::Rename && path == target) {
                _exit(3);
            }
            return false;
        });
        _exit(job.Run());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 3;
}
#endif

// Two runs on one input exclude each other through the input's lock: a
// run, or the recovery of an interrupted one, that finds it held is refused
// with a message naming the input and changes nothing.
TEST_F(Reliability, InputLockedByAnotherRunRefusesAndChangesNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
    const std::string text = NewestFirst(3);
    const std::string input = Input("in.txt", text);
    const std::string real = ResolvedPath(input);
    for (const bool recovering : {false, true}) {
        SCOPED_TRACE(recovering ? "recovering" : "converting");
        TempDir db;
        auto fill = [&](CConverter& job) {
            Fill(job, input);
            job.m_szPathOut = db.Path();
            job.m_bReverse = 1;
        };
        std::vector<std::string> expected = {"InputBusy"};
        if (recovering) {
            CConverter killed;
            fill(killed);
            ASSERT_TRUE(KillBeforeRename(killed, real));
            expected = {"InterruptedConversionInputBusy"};
        }
        const auto before = ReadBytes(db.File("MASTER"));
        LockFile other;
        ASSERT_EQ(other.Lock(real + ".~LK", false), LockFile::Result::kLocked);
        m_messages.Clear();
        CConverter job;
        fill(job);
        EXPECT_EQ(job.Run(), 1);
        EXPECT_EQ(m_messages.Ids(), expected);
        ASSERT_EQ(m_messages.Texts().size(), 1U);
        EXPECT_NE(m_messages.Texts()[0].find(real), std::string::npos);
        EXPECT_EQ(ReadBytes(db.File("MASTER")), before);
        EXPECT_EQ(ReadText(input), text);
        EXPECT_EQ(FileExists(input + ".~NU"), recovering);
        other.Unlock();
        CConverter next;
        fill(next);
        next.m_bExistingMaster = recovering ? 1 : 0;
        next.m_szSymbol = "NEXT";
        EXPECT_EQ(next.Run(), 0) << testing::PrintToString(m_messages.Texts());
        auto names = ListDirectory(m_inputs.Path());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"in.txt", "in.txt.BAK"}));
        RemoveFile(input + ".BAK");
        WriteText(input, text);
    }
#endif
}

// A run killed between its renames, the input's folder moved away before
// the next run: that run refuses and changes nothing, as nothing tells
// whether the input was renamed; with the folder back, the next one finishes
// the killed run and leaves nothing of it beside the input.
TEST_F(Reliability, InterruptedReversalWaitsForTheInputsFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
    namespace fs = std::filesystem;
    const std::string text = NewestFirst(3);
    const std::string input = Input("in.txt", text);
    CConverter killed;
    Fill(killed, input);
    killed.m_bReverse = 1;
    ASSERT_TRUE(KillBeforeRename(killed, ResolvedPath(input)));
    const auto master = Master();
    const std::string away = m_inputs.Path() + "-away";
    fs::rename(m_inputs.Path(), away);
    auto next = [&](const std::string& symbol) {
        CConverter job;
        Fill(job, Input(symbol, "01/02/04,1,2,3,4,5,6\n"), kMM_DD_YY, false);
        job.m_szSymbol = symbol;
        return job.Run();
    };
    fs::create_directory(m_inputs.Path());
    m_messages.Clear();
    EXPECT_EQ(next("ONE"), 1);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"InterruptedConversionOutOfReach"});
    EXPECT_EQ(Master(), master);
    EXPECT_TRUE(FileExists(FileTransaction::JournalPath(m_db.Path())));
    fs::remove_all(m_inputs.Path());
    fs::rename(away, m_inputs.Path());
    EXPECT_EQ(next("TWO"), 0) << testing::PrintToString(m_messages.Texts());
    EXPECT_EQ(ReadText(input),
              "01/01/00,0,2,3,4,5,6\n01/02/00,1,2,3,4,5,6\n01/03/00,2,2,3,4,5,6\n");
    EXPECT_EQ(ReadText(input + ".BAK"), text);
    auto names = ListDirectory(m_inputs.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"TWO", "in.txt", "in.txt.BAK"}));
#endif
}

// Two processes reverse one input into two databases at once, again and
// again: a run that succeeds converted every line, and the input ends up
// reversed once for every run that did.
TEST_F(Reliability, TwoReversalsOfOneInputAtOnceExcludeEachOther) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
    constexpr int kLines = 20000;
    const std::string text = NewestFirst(kLines);
    const std::string input = Input("both.txt", text);
    std::string reversed;
    for (auto line = text.rbegin(); line != text.rend();) {
        auto end = std::find(line + 1, text.rend(), '\n');
        reversed.append(end.base(), line.base());
        line = end;
    }
    int successes = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        WriteText(input, text);
        RemoveFile(input + ".BAK");
        TempDir dbs[2];
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t children[2];
        for (int i = 0; i < 2; ++i) {
            children[i] = fork();
            if (children[i] == 0) {
                alarm(60);
                char c = 0;
                (void)!read(go[0], &c, 1);
                CConverter job;
                Fill(job, input);
                job.m_pSink = nullptr;
                job.m_pProfile = nullptr;
                job.m_szPathOut = dbs[i].Path();
                job.m_bReverse = 1;
                _exit(job.Run());
            }
        }
        (void)!write(go[1], "gg", 2);
        int done = 0;
        for (int i = 0; i < 2; ++i) {
            int status = 0;
            waitpid(children[i], &status, 0);
            ASSERT_TRUE(WIFEXITED(status));
            if (WEXITSTATUS(status) == 0) {
                ++done;
                EXPECT_EQ(ReadBytes(dbs[i].File("F1.DAT")).size(), 28U * (kLines + 1)) << i;
            } else {
                EXPECT_FALSE(FileExists(dbs[i].File("MASTER"))) << i;
            }
        }
        close(go[0]);
        close(go[1]);
        EXPECT_GE(done, 1);
        EXPECT_TRUE(ReadText(input) == (done == 1 ? reversed : text));
        for (const char* leftover : {".~NU", ".~OLD", ".~LK", ".BAK.~NU"}) {
            EXPECT_FALSE(FileExists(input + leftover)) << leftover;
        }
        successes += done;
    }
    std::cout << "[ reversal ] " << successes << " of 24 runs succeeded\n";
#endif
}

// Many processes add securities to one database at once: every one that
// reports success is in MASTER, and MASTER stays a whole file throughout.
TEST_F(Reliability, ConcurrentConversionsLoseNoSecurity) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other run is a second process";
#else
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
#endif
}

}  // namespace
}  // namespace torvan::test
