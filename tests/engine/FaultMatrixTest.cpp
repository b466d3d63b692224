// SPDX-License-Identifier: GPL-3.0-or-later
// A fault injected at every file operation of a whole conversion in turn,
// and the process killed at random moments and at every step of its commit:
// the database and the input are always as before the run or as after a
// clean one, never in between.
#include <gtest/gtest.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>

#include "JobFixture.h"
#include "engine/Updater.h"
#include "platform/FileTransaction.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

struct Call {
    FileOp op;
    std::string path;
};

const char* OpName(FileOp op) {
    switch (op) {
        case FileOp::Open:
            return "Open";
        case FileOp::Read:
            return "Read";
        case FileOp::Write:
            return "Write";
        case FileOp::Flush:
            return "Flush";
        case FileOp::Close:
            return "Close";
        case FileOp::Rename:
            return "Rename";
        case FileOp::Remove:
            return "Remove";
        case FileOp::Copy:
            return "Copy";
        case FileOp::Link:
            return "Link";
    }
    return "?";
}

// The snapshot without the work files and journal that a run may leave for
// the next one to clear away.
Snapshot Visible(Snapshot files) {
    for (auto it = files.begin(); it != files.end();) {
        const std::string& name = it->first;
        const bool work = name.ends_with(".~NU") || name.ends_with(".~OLD") ||
                          name.starts_with(FileTransaction::kJournalName);
        it = work ? files.erase(it) : std::next(it);
    }
    return files;
}

std::string Names(const Snapshot& files) {
    std::string names;
    for (const auto& [name, content] : files) {
        names += name + " (" + std::to_string(content.size()) + ") ";
    }
    return names;
}

// An existing database with one security, and a newest-first input with a
// header row, converted with reversal: every stage touches files.
class FaultMatrix : public ::testing::Test {
  protected:
    struct World {
        TempDir db;
        TempDir inputs;
        std::string input;
    };

    static constexpr const char* kInput =
        "Date,Open,High,Low,Close,Volume,OI\r\n"
        "01/06/04,3,4,2,3.5,300,30\r\n"
        "01/05/04,2,3,1,2.5,200,20\r\n"
        "\r\n"
        "01/02/04,1,2,0.5,1.5,100,10";

    static void Prepare(World& w, const std::string& text = kInput) {
        w.input = w.inputs.File("prices.txt");
        WriteText(w.input, text);
        CConverter seed;
        Fill(seed, w, w.inputs.File("seed.txt"));
        WriteText(seed.m_strInputPath, "12/31/03,9,9,9,9,9,9\n");
        seed.m_bExistingMaster = 0;
        seed.m_bReverse = 0;
        seed.m_bSkipRows = 0;
        seed.m_szSymbol = "OLD";
        ASSERT_EQ(seed.Run(), 0);
        ASSERT_FALSE(FileExists(w.db.File("MASTER.BAK")));
    }

    static void Fill(CConverter& job, World& w, const std::string& input) {
        job.m_strInputPath = input;
        job.m_szPathOut = w.db.Path();
        job.m_szSymbol = "NEW";
        job.m_szName = "New one";
        job.m_nDateFormat = kMM_DD_YY;
        job.m_bExistingMaster = 1;
        job.m_bReverse = 1;
        job.m_bSkipRows = 1;
        job.m_nSkipRows = 1;
        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            job.m_bFieldOn[s] = 1;
            job.m_nFieldCol[s] = static_cast<int>(s);
        }
    }

    FixedToday m_today{LocalDate{2026, 12, 7}};
};

TEST_F(FaultMatrix, EveryFileOperationFailsCleanly) {
    World old;
    Prepare(old);
    const Snapshot oldDb = TakeSnapshot(old.db.Path());
    const Snapshot oldInputs = TakeSnapshot(old.inputs.Path());

    // A clean run gives the call list and the state every fault must end in
    // when the run reports success.
    World clean;
    Prepare(clean);
    std::vector<Call> calls;
    {
        RecordingSink messages;
        CConverter job;
        Fill(job, clean, clean.input);
        job.m_pSink = &messages;
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            calls.push_back({op, path});
            return false;
        });
        ASSERT_EQ(job.Run(), 0);
        faults.Remove();
        ASSERT_TRUE(messages.Messages().empty());
    }
    const Snapshot cleanDb = TakeSnapshot(clean.db.Path());
    const Snapshot cleanInputs = TakeSnapshot(clean.inputs.Path());
    ASSERT_EQ(cleanDb.size(), 6U) << Names(cleanDb);  // MASTER, .BAK, F1/F2 .DAT/.DOP
    ASSERT_EQ(cleanInputs.size(), 3U) << Names(cleanInputs);
    ASSERT_GT(calls.size(), 30U);

    int succeeded = 0;
    int failed = 0;
    int leftForNextRun = 0;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const std::string what = std::string(OpName(calls[k].op)) + " " +
                                 fs::path(calls[k].path).filename().string() + " (call " +
                                 std::to_string(k) + ")";
        World w;
        Prepare(w);
        RecordingSink messages;
        CConverter job;
        Fill(job, w, w.input);
        job.m_pSink = &messages;
        std::size_t seen = 0;
        FaultHookScope faults([&](FileOp, const std::string&) { return seen++ == k; });
        const int status = job.Run();
        faults.Remove();
        Snapshot wantDb = status == 0 ? cleanDb : oldDb;
        const Snapshot& wantInputs = status == 0 ? cleanInputs : oldInputs;
        if (status == 0 && fs::path(calls[k].path).filename().string().starts_with("MASTER.BAK")) {
            // A backup that cannot be made does not stop the run; the old
            // backup (none here) stays.
            wantDb.erase("MASTER.BAK");
        }
        (status == 0 ? succeeded : failed)++;

        // Only a removal that failed can leave work files, and only after
        // the run was complete: what is visible is whole already, and the
        // next run clears the rest away.
        Snapshot db = TakeSnapshot(w.db.Path());
        if (FileExists(FileTransaction::JournalPath(w.db.Path()))) {
            ++leftForNextRun;
            EXPECT_EQ(calls[k].op, FileOp::Remove) << what;
            EXPECT_EQ(Visible(db), wantDb) << what << ": " << Names(db);
            EXPECT_EQ(Visible(TakeSnapshot(w.inputs.Path())), wantInputs) << what;
            std::string stuck;
            EXPECT_TRUE(FileTransaction::Recover(w.db.Path(), stuck)) << what << ": " << stuck;
            db = TakeSnapshot(w.db.Path());
        }
        EXPECT_EQ(db, wantDb) << what << ": " << Names(db);
        EXPECT_EQ(TakeSnapshot(w.inputs.Path()), wantInputs)
            << what << ": " << Names(TakeSnapshot(w.inputs.Path()));
        if (status != 0) {
            ASSERT_FALSE(messages.Messages().empty()) << what;
            const std::string& text = messages.Messages().back().text;
            std::string name = fs::path(calls[k].path).filename().string();
            if (name.ends_with(".~CP")) {
                name.resize(name.size() - 4);
            }
            EXPECT_TRUE(text.find(name) != std::string::npos ||
                        text == "Path specified does not point to a Master file")
                << what << ": " << text;
        }
    }
    std::cout << "[ faults   ] " << calls.size() << " file operations: " << succeeded
              << " runs got round their fault, " << failed << " failed and changed nothing, "
              << leftForNextRun << " left work files for the next run\n";
    EXPECT_GT(failed, 20);
}

// Kills a conversion of a 65,534-line newest-first file into a database with
// one security, at random moments and just before every rename and removal
// of its commit. After each kill: MASTER is whole, the other security as it
// was, a listed new security complete, and the input reversed only if the
// new security is listed. A next run clears the leftovers and succeeds.
TEST_F(FaultMatrix, KilledAtAnyMomentLeavesNothingHalfDone) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): a process killed at a chosen moment";
#else
    std::string text = "Date,Open,High,Low,Close,Volume,OI\n";
    for (int i = kMaxPriceRecords - 1; i >= 0; --i) {
        char line[96];
        std::snprintf(line, sizeof line, "%02d/%02d/%02d,%d.25,%d.5,%d,%d.75,%d,%d\n",
                      1 + (i / 28) % 12, 1 + i % 28, (i / 336) % 100, i % 997, i % 991, i % 983,
                      i % 977, i * 3, i % 7);
        text += line;
    }

    // The reference: one run left alone, timed.
    World clean;
    Prepare(clean, text);
    const Snapshot oldDb = TakeSnapshot(clean.db.Path());
    const auto started = std::chrono::steady_clock::now();
    {
        CConverter job;
        Fill(job, clean, clean.input);
        ASSERT_EQ(job.Run(), 0);
    }
    const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    const Snapshot cleanDb = TakeSnapshot(clean.db.Path());
    const std::string reversed = ReadText(clean.input);
    ASSERT_NE(reversed, text);

    // The renames and removals of a run, each a moment to be killed at.
    std::vector<Call> steps;
    {
        World w;
        Prepare(w, text);
        CConverter job;
        Fill(job, w, w.input);
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            if (op == FileOp::Rename || op == FileOp::Remove || op == FileOp::Link) {
                steps.push_back({op, path});
            }
            return false;
        });
        ASSERT_EQ(job.Run(), 0);
    }

    std::mt19937 random(20261207);
    constexpr int kRandomKills = 30;
    const int kills = kRandomKills + static_cast<int>(steps.size());
    std::map<std::string, int> seenStates;
    for (int round = 0; round < kills; ++round) {
        World w;
        Prepare(w, text);
        const bool atStep = round >= kRandomKills;
        const std::size_t step = atStep ? static_cast<std::size_t>(round - kRandomKills) : 0;
        const std::string what = atStep ? "kill before " + std::string(OpName(steps[step].op)) +
                                              " " + fs::path(steps[step].path).filename().string()
                                        : "kill " + std::to_string(round);

        int toParent[2];
        int toChild[2];
        ASSERT_EQ(pipe(toParent), 0);
        ASSERT_EQ(pipe(toChild), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(60);
            std::size_t count = 0;
            // Stops before the chosen step until the parent has killed it.
            FaultHookScope faults([&](FileOp op, const std::string&) {
                if (atStep &&
                    (op == FileOp::Rename || op == FileOp::Remove || op == FileOp::Link) &&
                    count++ == step) {
                    char c = 'k';
                    (void)!write(toParent[1], &c, 1);
                    (void)!read(toChild[0], &c, 1);
                }
                return false;
            });
            CConverter job;
            Fill(job, w, w.input);
            _exit(job.Run());
        }
        if (atStep) {
            char c = 0;
            ASSERT_EQ(read(toParent[0], &c, 1), 1) << what;
        } else {
            std::uniform_int_distribution<long> moment(0, runTime * 11 / 10);
            usleep(static_cast<useconds_t>(moment(random)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) {
            close(fd);
        }

        // MASTER whole, the other security untouched, the new one complete
        // if listed, the input reversed only then.
        MasterFile master;
        ASSERT_TRUE(ReadMaster(w.db.Path(), master)) << what;
        const Snapshot db = TakeSnapshot(w.db.Path());
        ASSERT_EQ(db.at("MASTER").size(), kMasterRecordSize * (1U + master.header.entryCount))
            << what;
        EXPECT_EQ(db.at("F1.DAT"), oldDb.at("F1.DAT")) << what;
        EXPECT_EQ(db.at("F1.DOP"), oldDb.at("F1.DOP")) << what;
        EXPECT_EQ(db.at("MASTER").compare(kMasterRecordSize, kMasterRecordSize, oldDb.at("MASTER"),
                                          kMasterRecordSize, kMasterRecordSize),
                  0)
            << what;
        const bool listed = master.header.entryCount == 2;
        const std::string input = ReadText(w.input);
        if (listed) {
            EXPECT_EQ(db.at("MASTER"), cleanDb.at("MASTER")) << what;
            EXPECT_EQ(db.at("F2.DAT"), cleanDb.at("F2.DAT")) << what;
            EXPECT_EQ(db.at("F2.DOP"), cleanDb.at("F2.DOP")) << what;
            EXPECT_TRUE(input == text || input == reversed) << what;
        } else {
            EXPECT_EQ(db.at("MASTER"), oldDb.at("MASTER")) << what;
            EXPECT_TRUE(input == text) << what;
        }
        std::string state =
            !FileExists(FileTransaction::JournalPath(w.db.Path())) ? "no journal"
            : ReadText(FileTransaction::JournalPath(w.db.Path())).find("phase commit") !=
                    std::string::npos
                ? "commit journal"
                : "stage journal";
        state += listed ? ", listed" : ", not listed";
        state += input == reversed ? ", input reversed" : ", input original";
        ++seenStates[state];

        // The next run clears the leftovers away (finishing the commit) and
        // succeeds; nothing of ours stays beside the input.
        CConverter next;
        RecordingSink messages;
        Fill(next, w, w.inputs.File("next.txt"));
        next.m_pSink = &messages;
        WriteText(next.m_strInputPath, "01/07/04,5,6,4,5.5,500,50\n");
        next.m_szSymbol = "NEXT";
        next.m_bReverse = 0;
        next.m_bSkipRows = 0;
        ASSERT_EQ(next.Run(), 0) << what << ": " << testing::PrintToString(messages.Texts());
        MasterRecord found;
        const bool done = FindSecurity(w.db.Path(), "NEW", found) == kFound;
        EXPECT_EQ(ReadText(w.input), done ? reversed : text) << what;
        if (done) {
            EXPECT_EQ(ReadText(w.db.File("F2.DAT")), cleanDb.at("F2.DAT")) << what;
        }
        const Snapshot after = TakeSnapshot(w.db.Path());
        EXPECT_EQ(Visible(after), after) << what << ": " << Names(after);
        const Snapshot inputs = TakeSnapshot(w.inputs.Path());
        EXPECT_EQ(Visible(inputs), inputs) << what << ": " << Names(inputs);
        EXPECT_EQ(inputs.count("prices.txt.BAK") == 1, done) << what;
    }
    std::cout << "[ kills    ] " << kills << " kills (" << kRandomKills << " at random within "
              << runTime / 1000 << " ms, " << steps.size()
              << " just before a rename, removal or link):";
    for (const auto& [state, count] : seenStates) {
        std::cout << " " << count << "x " << state << ";";
    }
    std::cout << "\n";
#endif
}

// An update of the database's security, appending in place or rewriting
// with --replace: a fault at every file operation in turn, and a kill just
// before each. The database is as before the run or as after a clean one,
// once the next run's recovery has cleared what a kill left.
// Windows has no fork(): there only the faults are injected.
#ifdef _WIN32
constexpr bool kFaultThenKill[] = {false};
#else
constexpr bool kFaultThenKill[] = {false, true};
#endif

TEST_F(FaultMatrix, UpdateFailsOrIsKilledCleanly) {
    const std::string text =
        "12/31/03,8,8,8,8,8,8\n01/02/04,1,2,0.5,1.5,100,10\n"
        "01/05/04,2,3,1,2.5,200,20\n";
    for (const auto overlap : {CUpdater::Overlap::kKeep, CUpdater::Overlap::kReplace}) {
        SCOPED_TRACE(static_cast<int>(overlap));
        auto run = [&](World& w, IMessageSink* sink) {
            CUpdater updater;
            Fill(updater.m_job, w, w.input);
            updater.m_job.m_szSymbol = "OLD";
            updater.m_job.m_bReverse = 0;
            updater.m_job.m_bSkipRows = 0;
            updater.m_job.m_pSink = sink;
            updater.m_overlap = overlap;
            return updater.Run();
        };
        World old;
        Prepare(old, text);
        const Snapshot oldDb = TakeSnapshot(old.db.Path());
        std::vector<Call> calls;
        {
            FaultHookScope faults([&](FileOp op, const std::string& path) {
                calls.push_back({op, path});
                return false;
            });
            ASSERT_EQ(run(old, nullptr), 0);
        }
        const Snapshot cleanDb = TakeSnapshot(old.db.Path());
        ASSERT_NE(cleanDb, oldDb);
        int failed = 0;
        for (std::size_t k = 0; k < calls.size(); ++k) {
            for (const bool kill : kFaultThenKill) {
                const std::string what = std::string(kill ? "kill before " : "fault at ") +
                                         OpName(calls[k].op) + " " +
                                         fs::path(calls[k].path).filename().string();
                World w;
                Prepare(w, text);
                RecordingSink messages;
                int status = 0;
                if (kill) {
#ifndef _WIN32
                    const pid_t child = fork();
                    ASSERT_GE(child, 0);
                    if (child == 0) {
                        std::size_t seen = 0;
                        FaultHookScope faults([&](FileOp, const std::string&) {
                            if (seen++ == k) {
                                _exit(3);
                            }
                            return false;
                        });
                        _exit(run(w, nullptr));
                    }
                    waitpid(child, &status, 0);
                    std::string stuck;
                    ASSERT_TRUE(FileTransaction::Recover(w.db.Path(), stuck)) << what << stuck;
#endif
                } else {
                    std::size_t seen = 0;
                    FaultHookScope faults([&](FileOp, const std::string&) { return seen++ == k; });
                    status = run(w, &messages);
                    faults.Remove();
                    failed += status != 0;
                    EXPECT_TRUE(status == 0 || !messages.Messages().empty()) << what;
                    std::string stuck;
                    ASSERT_TRUE(FileTransaction::Recover(w.db.Path(), stuck)) << what << stuck;
                }
                // A killed run's lock file stays, free to take.
                Snapshot db = TakeSnapshot(w.db.Path());
                db.erase(kill ? ".torvan-lock" : "");
                EXPECT_TRUE(db == oldDb || db == cleanDb) << what << ": " << Names(db);
                EXPECT_TRUE(kill || (db == cleanDb) == (status == 0)) << what;
            }
        }
        EXPECT_GT(failed, 5);
    }
}

}  // namespace
}  // namespace torvan::test
