// SPDX-License-Identifier: GPL-3.0-or-later
// Several files replaced as one, and what the next transaction does with
// the leftovers of one that was killed.
#include "platform/FileTransaction.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <filesystem>
#include <map>

#include "TestSupport.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

// Two files in the journal's folder, one of them new, and one elsewhere
// (as the input file lies outside the database).
class Transaction : public ::testing::Test {
  protected:
    Transaction() {
        WriteText(m_dir.File("INDEX"), "old index");
        WriteText(m_other.File("input.txt"), "old input");
        m_oldDir = TakeSnapshot(m_dir.Path());
        m_oldOther = TakeSnapshot(m_other.Path());
    }

    // The targets and what each gets.
    std::vector<std::pair<std::string, std::string>> Targets() const {
        return {{m_dir.File("DATA"), "new data"},
                {m_dir.File("INDEX"), "new index, longer"},
                {m_other.File(m_inputName), "new input"}};
    }

    // Runs a whole transaction; false when a step failed.
    bool RunTransaction() {
        FileTransaction transaction(m_dir.Path());
        if (m_guard &&
            transaction.Guard(m_other.File(m_inputName) + FileTransaction::kLockSuffix) !=
                LockFile::Result::kLocked) {
            return false;
        }
        std::vector<std::string> work;
        for (const auto& [target, content] : Targets()) {
            work.push_back(target + ".~NU");
            transaction.PlanReplace(target + ".~NU", target);
        }
        if (!transaction.Track(work)) {
            return false;
        }
        for (const auto& [target, content] : Targets()) {
            WriteText(target + ".~NU", content);
        }
        m_committed = transaction.Commit();
        m_error = transaction.LastError();
        return m_committed;
    }

    bool AllNew() const {
        for (const auto& [target, content] : Targets()) {
            if (ReadText(target) != content) {
                return false;
            }
        }
        return true;
    }
    bool AllOld() const {
        return TakeSnapshot(m_dir.Path()) == m_oldDir && TakeSnapshot(m_other.Path()) == m_oldOther;
    }
    // Only the targets: no work file, no old name, no journal, no lock.
    bool Tidy() const {
        for (const auto& dir : {m_dir.Path(), m_other.Path()}) {
            for (const auto& [name, content] : TakeSnapshot(dir)) {
                if (name != "DATA" && name != "INDEX" && name != m_inputName) {
                    return false;
                }
            }
        }
        return true;
    }

#ifndef _WIN32
    // Runs the transaction in a child that dies at its file operation k
    // (before the operation is done). Returns false when the transaction
    // had fewer operations.
    bool KillAt(std::size_t k) {
        const pid_t child = fork();
        if (child == 0) {
            std::size_t seen = 0;
            FaultHookScope faults([&](FileOp, const std::string&) {
                if (seen++ == k) {
                    _exit(3);
                }
                return false;
            });
            _exit(RunTransaction() ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 3;
    }
#endif

    TempDir m_dir;
    TempDir m_other;
    std::string m_inputName = "input.txt";
    bool m_guard = false;  // the input's lock is taken, as a reversing run does
    Snapshot m_oldDir;
    Snapshot m_oldOther;
    bool m_committed = false;
    FileTransaction::Error m_error = FileTransaction::Error::kNone;
};

TEST_F(Transaction, CommitPutsEveryFileInPlaceAndLeavesNothingElse) {
    ASSERT_TRUE(RunTransaction());
    EXPECT_TRUE(AllNew());
    EXPECT_TRUE(Tidy()) << testing::PrintToString(TakeSnapshot(m_dir.Path()));
    std::string failed;
    EXPECT_TRUE(FileTransaction::Recover(m_dir.Path(), failed));
    EXPECT_TRUE(AllNew());
}

TEST_F(Transaction, KilledAtAnyOperationIsFinishedOrUndoneByTheNextRecover) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    int finished = 0;
    int undone = 0;
    for (std::size_t k = 0;; ++k) {
        // A fresh pair of folders for each kill.
        m_dir.~TempDir();
        new (&m_dir) TempDir();
        m_other.~TempDir();
        new (&m_other) TempDir();
        WriteText(m_dir.File("INDEX"), "old index");
        WriteText(m_other.File("input.txt"), "old input");
        if (!KillAt(k)) {
            break;  // the transaction ran to its end
        }
        const bool committed =
            FileExists(FileTransaction::JournalPath(m_dir.Path())) &&
            ReadText(FileTransaction::JournalPath(m_dir.Path())).find("phase commit") !=
                std::string::npos;
        std::string failed;
        ASSERT_TRUE(FileTransaction::Recover(m_dir.Path(), failed)) << k << ": " << failed;
        if (committed) {
            EXPECT_TRUE(AllNew()) << k;
            ++finished;
        } else {
            EXPECT_TRUE(AllOld()) << k;
            ++undone;
        }
        EXPECT_TRUE(Tidy()) << k << ": " << testing::PrintToString(TakeSnapshot(m_dir.Path()))
                            << testing::PrintToString(TakeSnapshot(m_other.Path()));
    }
    EXPECT_GT(finished, 3);
    EXPECT_GT(undone, 5);
#endif
}

// A work file that cannot be found is no proof of its rename. Killed at
// any point, with the other folder moved away or an empty one in its place:
// recovery refuses and changes nothing (but for an empty folder with only
// work files to remove, which cannot be told from one they were removed
// from); with the folder back, it finishes as usual.
TEST_F(Transaction, RecoveryWaitsForAFolderOutOfReach) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    int waited = 0;
    for (const bool empty : {false, true}) {
        for (std::size_t k = 0;; ++k) {
            SCOPED_TRACE(std::string(empty ? "empty folder, " : "moved away, ") +
                         std::to_string(k));
            m_dir.~TempDir();
            new (&m_dir) TempDir();
            m_other.~TempDir();
            new (&m_other) TempDir();
            WriteText(m_dir.File("INDEX"), "old index");
            WriteText(m_other.File("input.txt"), "old input");
            if (!KillAt(k)) {
                break;
            }
            const std::string journal = FileTransaction::JournalPath(m_dir.Path());
            if (!FileExists(journal)) {
                continue;
            }
            const std::string text = ReadText(journal);
            const bool committed = text.find("phase commit") != std::string::npos;
            const Snapshot dir = TakeSnapshot(m_dir.Path());
            const std::string away = m_other.Path() + "-away";
            fs::rename(m_other.Path(), away);
            if (empty) {
                fs::create_directory(m_other.Path());
            }
            std::string failed;
            FileTransaction::Stuck why = FileTransaction::Stuck::kNone;
            const bool waits = !empty || text.find("phase stage") == std::string::npos;
            EXPECT_EQ(FileTransaction::Recover(m_dir.Path(), failed, why), !waits);
            if (waits) {
                EXPECT_EQ(why, FileTransaction::Stuck::kOutOfReach);
                EXPECT_EQ(ParentDirectory(failed), m_other.Path());
                EXPECT_EQ(TakeSnapshot(m_dir.Path()), dir);
                ++waited;
            }
            fs::remove_all(m_other.Path());
            fs::rename(away, m_other.Path());
            ASSERT_TRUE(FileTransaction::Recover(m_dir.Path(), failed)) << failed;
            if (committed) {
                EXPECT_TRUE(AllNew());
            } else {
                EXPECT_EQ(TakeSnapshot(m_dir.Path()), m_oldDir);
                EXPECT_EQ(ReadText(m_other.File("input.txt")), "old input");
            }
            EXPECT_TRUE(!waits || Tidy()) << testing::PrintToString(TakeSnapshot(m_other.Path()));
        }
    }
    EXPECT_GT(waited, 15);
#endif
}

// A journal that names a lock (a reversing run's, on its input) is
// recovered only while no other transaction holds that lock.
TEST_F(Transaction, RecoveryTakesTheLocksTheJournalNames) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    m_guard = true;
    std::size_t k = 0;
    for (;; ++k) {
        ASSERT_TRUE(KillAt(k));
        const std::string journal = FileTransaction::JournalPath(m_dir.Path());
        if (FileExists(journal) && ReadText(journal).find("phase commit") != std::string::npos) {
            break;
        }
    }
    const std::string input = m_other.File(m_inputName);
    const Snapshot dir = TakeSnapshot(m_dir.Path());
    const Snapshot other = TakeSnapshot(m_other.Path());
    LockFile held;
    ASSERT_EQ(held.Lock(input + FileTransaction::kLockSuffix, false), LockFile::Result::kLocked);
    std::string failed;
    FileTransaction::Stuck why = FileTransaction::Stuck::kNone;
    EXPECT_FALSE(FileTransaction::Recover(m_dir.Path(), failed, why));
    EXPECT_EQ(why, FileTransaction::Stuck::kInUse);
    EXPECT_EQ(failed, input);
    EXPECT_EQ(TakeSnapshot(m_dir.Path()), dir);
    EXPECT_EQ(TakeSnapshot(m_other.Path()), other);
    // A transaction of another folder guarded by the same lock is refused.
    {
        TempDir elsewhere;
        FileTransaction second(elsewhere.Path());
        EXPECT_EQ(second.Guard(input + FileTransaction::kLockSuffix), LockFile::Result::kBusy);
    }
    held.Unlock();
    ASSERT_TRUE(FileTransaction::Recover(m_dir.Path(), failed)) << failed;
    EXPECT_TRUE(AllNew());
    EXPECT_TRUE(Tidy()) << testing::PrintToString(TakeSnapshot(m_other.Path()));
#endif
}

TEST_F(Transaction, AFailedRenameTakesBackTheOnesBefore) {
    const std::string index = m_dir.File("INDEX");
    {
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            return op == FileOp::Rename && path == index;
        });
        EXPECT_FALSE(RunTransaction());
    }
    EXPECT_EQ(m_error, FileTransaction::Error::kReplace);
    EXPECT_TRUE(AllOld()) << testing::PrintToString(TakeSnapshot(m_dir.Path()));

    // The last step fails: the two before it go back.
    const std::string input = m_other.File("input.txt");
    {
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            return op == FileOp::Rename && path == input;
        });
        EXPECT_FALSE(RunTransaction());
    }
    EXPECT_TRUE(AllOld()) << testing::PrintToString(TakeSnapshot(m_dir.Path()));
}

TEST_F(Transaction, TargetChangedByAnotherProgramIsNeverOverwritten) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    // Changed before the commit: refused, nothing written.
    {
        FileTransaction transaction(m_dir.Path());
        transaction.PlanReplace(m_dir.File("INDEX.~NU"), m_dir.File("INDEX"));
        ASSERT_TRUE(transaction.Track({}));
        WriteText(m_dir.File("INDEX.~NU"), "mine");
        WriteText(m_dir.File("INDEX"), "theirs, written meanwhile");
        EXPECT_FALSE(transaction.Commit());
        EXPECT_EQ(transaction.LastError(), FileTransaction::Error::kChanged);
    }
    EXPECT_EQ(TakeSnapshot(m_dir.Path()), (Snapshot{{"INDEX", "theirs, written meanwhile"}}));

    // Killed after the first rename; INDEX changed before the next run: the
    // new DATA goes again, INDEX keeps the other program's content.
    WriteText(m_dir.File("INDEX"), "old index");
    std::size_t k = 0;
    for (;; ++k) {
        m_dir.~TempDir();
        new (&m_dir) TempDir();
        WriteText(m_dir.File("INDEX"), "old index");
        ASSERT_TRUE(KillAt(k));
        if (FileExists(m_dir.File("DATA"))) {
            break;  // DATA is in place, INDEX not yet
        }
    }
    WriteText(m_dir.File("INDEX"), "theirs");
    std::string failed;
    ASSERT_TRUE(FileTransaction::Recover(m_dir.Path(), failed)) << failed;
    EXPECT_EQ(TakeSnapshot(m_dir.Path()), (Snapshot{{"INDEX", "theirs"}}));
    EXPECT_EQ(ReadText(m_other.File("input.txt")), "old input");
#endif
}

TEST_F(Transaction, OddNamesAndForeignJournals) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    // Names with tab, line feed and backslash survive the journal.
    m_inputName = "in\tput\nwith\\odd name";
    WriteText(m_other.File(m_inputName), "old input");
    // Whatever the umask, the journal is ours alone and so may name the
    // input elsewhere.
    const mode_t mask = ::umask(0);
    std::size_t k = 0;
    for (;; ++k) {
        ASSERT_TRUE(KillAt(k));
        const std::string journal = FileTransaction::JournalPath(m_dir.Path());
        if (FileExists(journal) && ReadText(journal).find("phase commit") != std::string::npos) {
            break;
        }
    }
    ::umask(mask);
    std::string failed;
    ASSERT_TRUE(FileTransaction::Recover(m_dir.Path(), failed)) << failed;
    EXPECT_TRUE(AllNew());

    // A journal that is not one of ours names nothing that may be touched.
    WriteText(FileTransaction::JournalPath(m_dir.Path()),
              "torvan-journal 1\nphase stage\ntrack\tDATA\n");
    EXPECT_TRUE(FileTransaction::Recover(m_dir.Path(), failed));
    EXPECT_FALSE(FileExists(FileTransaction::JournalPath(m_dir.Path())));
    EXPECT_TRUE(FileExists(m_dir.File("DATA")));
#endif
}

// A journal planted in a folder others may write is refused whole: nothing
// outside the folder, nothing but work files, and a step only ever puts a
// work file in place beside its target.
TEST_F(Transaction, PlantedJournalsAreRefusedAndTouchNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs POSIX permissions: a folder others may write";
#else
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const std::string victim = m_other.File("victim");
    const std::string journal = FileTransaction::JournalPath(m_dir.Path());
    const std::string stamp = "9:" + std::to_string(StampOf(m_dir.File("INDEX")).modified);
    const std::vector<std::string> bodies = {
        "track\t" + victim + ".~NU\n",
        "track\t../" + fs::path(m_other.Path()).filename().string() + "/victim.~NU\n",
        "track\tINDEX\n",
        "track\t.\n",
        "step\t0\t-\t-\tINDEX.~NU\t" + victim + "\n",
        "step\t0\t-\t-\t" + victim + ".~NU\tINDEX\n",
        "step\t0\t-\t" + stamp + "\tDATA.~NU\tINDEX\n",
        // Only a price file of the folder is cut back, to no less than its
        // header record.
        "extend\t1:2\t" + stamp + "\t9\t-\t00\tINDEX\n",
        "extend\t1:2\t" + stamp + "\t9\t-\t00\t" + victim + "\n",
        "extend\t1:2\t3:4\t9\t-\t0000000000\tF1.DAT\n",
        "extend\t1:2\t5:4\t4\t-\t00\tF1.DAT\n",
    };
    for (const char* phase : {"stage", "commit", "undo"}) {
        for (const std::string& body : bodies) {
            SCOPED_TRACE(std::string(phase) + ": " + body);
            for (const std::string& path :
                 {victim, victim + ".~NU", m_dir.File("INDEX.~NU"), m_dir.File("DATA.~NU")}) {
                WriteText(path, "keep " + path);
            }
            const Snapshot dir = TakeSnapshot(m_dir.Path());
            WriteText(journal,
                      std::string("torvan-journal 1\nphase ") + phase + "\n" + body + "end\n");
            std::string failed;
            EXPECT_FALSE(FileTransaction::Recover(m_dir.Path(), failed));
            EXPECT_EQ(failed, journal);
            RemoveFile(journal);
            EXPECT_EQ(TakeSnapshot(m_dir.Path()), dir);
            EXPECT_EQ(ReadText(victim), "keep " + victim);
            EXPECT_EQ(ReadText(victim + ".~NU"), "keep " + victim + ".~NU");
        }
    }
    // A folder by a work file's name is not a file to remove.
    fs::create_directory(m_dir.File("DATA.~NU.~OLD"));
    WriteText(journal, "torvan-journal 1\nphase stage\ntrack\tDATA.~NU.~OLD\nend\n");
    std::string failed;
    EXPECT_FALSE(FileTransaction::Recover(m_dir.Path(), failed));
    EXPECT_TRUE(IsDirectory(m_dir.File("DATA.~NU.~OLD")));
#endif
}

// A price file extended in place, killed at every file operation: the next
// recovery cuts back what was appended and puts its header back unless the
// commit journal was written; an abort does the same at once, and a file
// put in its place meanwhile is left alone.
TEST(TransactionExtend, KilledOrAbortedIsCutBackUnlessCommitted) {
    const std::string before = "HEAD0001rec1rec2";
    const std::string after = "HEAD0003rec1rec2rec3rec4";
    auto run = [](const TempDir& dir, bool commit) {
        FileTransaction transaction(dir.Path());
        const std::string data = dir.File("F1.DAT");
        transaction.PlanReplace(dir.File("INDEX.~NU"), dir.File("INDEX"));
        if (!transaction.PlanExtend(data, StampOf(data), 24, 8)) {
            return false;
        }
        WriteText(dir.File("INDEX.~NU"), "new index");
        File file;
        bool ok = file.Open(data, File::Mode::Update) && file.Seek(16) &&
                  file.Write(std::string("rec3rec4")) && file.Seek(4) &&
                  file.Write(std::string("0003")) && file.Flush(true);
        ok = file.Close() && ok;
        return ok && (!commit || transaction.Commit());
    };
#ifndef _WIN32
    int cut = 0;
    int kept = 0;
    for (std::size_t k = 0;; ++k) {
        TempDir dir;
        WriteText(dir.File("F1.DAT"), before);
        WriteText(dir.File("INDEX"), "old index");
        const pid_t child = fork();
        if (child == 0) {
            std::size_t seen = 0;
            FaultHookScope faults([&](FileOp, const std::string&) {
                if (seen++ == k) {
                    _exit(3);
                }
                return false;
            });
            _exit(run(dir, true) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 3) {
            EXPECT_EQ(ReadText(dir.File("F1.DAT")), after);
            break;
        }
        std::string failed;
        ASSERT_TRUE(FileTransaction::Recover(dir.Path(), failed)) << k << ": " << failed;
        const bool done = ReadText(dir.File("INDEX")) == "new index";
        EXPECT_EQ(ReadText(dir.File("F1.DAT")), done ? after : before) << k;
        (done ? kept : cut)++;
        EXPECT_EQ(TakeSnapshot(dir.Path()).size(), 2U) << k;
    }
    EXPECT_GT(cut, 5);
    EXPECT_GT(kept, 0);
#endif

    TempDir dir;
    WriteText(dir.File("F1.DAT"), before);
    WriteText(dir.File("INDEX"), "old index");
    ASSERT_TRUE(run(dir, false));  // the transaction aborts as it ends
    EXPECT_EQ(ReadText(dir.File("F1.DAT")), before);

#ifdef _WIN32
    GTEST_SKIP() << "Needs fork() for the kills; only the abort was checked";
#else
    // Killed after the append; then another file takes the name.
    const pid_t child = fork();
    if (child == 0) {
        FaultHookScope faults([&](FileOp op, const std::string&) {
            if (op == FileOp::Link) {  // the commit's first step
                _exit(3);
            }
            return false;
        });
        _exit(run(dir, true) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(ReadText(dir.File("F1.DAT")), after);
    WriteText(dir.File("F1.DAT.new"), after);
    ASSERT_TRUE(RenameFile(dir.File("F1.DAT.new"), dir.File("F1.DAT")));
    std::string failed;
    EXPECT_TRUE(FileTransaction::Recover(dir.Path(), failed)) << failed;
    EXPECT_EQ(ReadText(dir.File("F1.DAT")), after);
    EXPECT_EQ(ReadText(dir.File("INDEX")), "old index");
#endif
}

}  // namespace
}  // namespace torvan::test
