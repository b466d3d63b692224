// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileStore.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "settings/ImportSettings.h"

namespace torvan {
namespace {

const char kKey[] = "Software\\Quennel\\Torvan";
const std::string kMarker = std::string(CProfileStore::kFirstLine) + "\n";

class ProfileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bool created = false;
        ASSERT_TRUE(store.Open(dir.Path(), kKey, created));
    }
    // A second store on the same file sees only what reached the disk.
    std::string Reread(const std::string& section, const std::string& entry) {
        CProfileStore other;
        bool created = true;
        EXPECT_TRUE(other.Open(dir.Path(), kKey, created));
        EXPECT_FALSE(created);
        return other.GetString(section, entry, "<missing>");
    }
    test::TempDir dir;
    CProfileStore store;
};

TEST(ProfileStoreOpen, CreatesTheFileOnceAndFailsWithoutAFolder) {
    test::TempDir dir;
    const std::string root = dir.File("J\u00fcrgen");  // made with the store's folder
    CProfileStore store;
    EXPECT_EQ(store.GetString("S", "e", "def"), "def");
    EXPECT_FALSE(store.WriteString("S", "e", "v"));

    bool created = false;
    ASSERT_TRUE(store.Open(root, kKey, created));
    EXPECT_TRUE(created);
    EXPECT_EQ(store.FilePath(), JoinPath(JoinPath(root, "Quennel"), "Torvan.ini"));
    EXPECT_TRUE(FileExists(store.FilePath()));
    ASSERT_TRUE(store.WriteString("S", "e", "v"));
    ASSERT_TRUE(store.Open(root, kKey, created));
    EXPECT_FALSE(created);
    EXPECT_EQ(store.GetString("S", "e", "def"), "v");

    test::WriteText(dir.File("plain"), "x");
    CProfileStore blocked;
    EXPECT_FALSE(blocked.Open(dir.File("plain"), kKey, created));
    EXPECT_FALSE(blocked.WriteString("S", "e", "v"));
    EXPECT_EQ(test::ReadText(dir.File("plain")), "x");
}

TEST(ProfileStoreOpen, EmptyRootMeansTheUserConfigFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "XDG_CONFIG_HOME and HOME are not where Windows keeps settings";
#else
    test::TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    CProfileStore store;
    bool created = false;
    const bool opened = store.Open("", kKey, created);
    setenv("XDG_CONFIG_HOME", "", 1);
    const std::string fallback = CProfileStore::DefaultRoot();
    if (old != nullptr) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    ASSERT_TRUE(opened);
    EXPECT_EQ(store.FilePath(), JoinPath(dir.File("Quennel"), "Torvan.ini"));
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(fallback, JoinPath(home, ".config"));
#endif
}

TEST_F(ProfileStoreTest, ReadsIntegersLikeScanf) {
    const std::vector<std::pair<std::string, int>> cases = {{"12abc", 12},
                                                            {" \t+7", 7},
                                                            {"-5", -5},
                                                            {"", 99},
                                                            {"abc", 99},
                                                            {"-", 99},
                                                            {"99999999999", INT_MAX},
                                                            {"-2147483648", INT_MIN},
                                                            {"-99999999999999999999999", INT_MIN}};
    for (const auto& [text, expected] : cases) {
        ASSERT_TRUE(store.WriteString("Num", "v", text));
        EXPECT_EQ(store.GetInt("Num", "v", 99), expected) << '"' << text << '"';
    }
    ASSERT_TRUE(store.WriteInt("Num", "neg", -5));
    EXPECT_EQ(store.GetString("Num", "neg", ""), "-5");
    EXPECT_EQ(store.GetInt("Num", "neg", 0), -5);
    EXPECT_EQ(store.GetInt("Num", "absent", 42), 42);
    EXPECT_EQ(store.GetInt("NoSuchSection", "v", 42), 42);
}

TEST_F(ProfileStoreTest, ValuesTooLongForTheBufferReadAsMissing) {
    ASSERT_TRUE(store.WriteString("S", "fits", std::string(259, 'a')));
    ASSERT_TRUE(store.WriteString("S", "long", std::string(260, 'b')));
    EXPECT_EQ(store.GetString("S", "fits", "def"), std::string(259, 'a'));
    EXPECT_EQ(store.GetString("S", "long", "def"), "def");
}

TEST_F(ProfileStoreTest, AnyBytesRoundTripInNamesAndValues) {
    const std::vector<std::string> texts = {
        "a=b",           "[not a section]",  "line1\nline2", "cr\rhere",
        "back\\slash\\", "\\x41\\n",         "  padded  ",   ";lead",
        "#hash",         "caf\xC3\xA9 \xFF", "ctl\x01\x7F",  "",
        "x]=[y"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(store.WriteString("Sec" + texts[i], texts[i], texts[i])) << i;
        ASSERT_TRUE(store.WriteString("Plain", "v" + std::to_string(i), texts[i])) << i;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(Reread("Sec" + texts[i], texts[i]), texts[i]) << i;
        EXPECT_EQ(Reread("Plain", "v" + std::to_string(i)), texts[i]) << i;
    }
}

TEST_F(ProfileStoreTest, NamesIgnoreCaseAndKeepTheirStoredSpelling) {
    ASSERT_TRUE(store.WriteString("Import", "PathOut", "old"));
    ASSERT_TRUE(store.WriteString("import", "pathout", "new"));
    ASSERT_TRUE(store.WriteString("Export", "Name", "other"));
    EXPECT_EQ(Reread("IMPORT", "PATHOUT"), "new");
    EXPECT_EQ(Reread("export", "name"), "other");
    EXPECT_EQ(test::ReadText(store.FilePath()),
              kMarker + "[Import]\nPathOut=new\n\n[Export]\nName=other\n");
}

TEST_F(ProfileStoreTest, HandEditedFilesAreReadAndTheirOddLinesKept) {
    test::WriteText(store.FilePath(),
                    "stray=1\r\n; note\r\n[Main]\r\nKey = C:\\Data\\x\r\ngarbage\r\n\r\n"
                    "[Broken\r\nKey=no\r\n[Other]\r\nKey=2\r\n");
    EXPECT_EQ(store.GetString("Main", "Key", ""), " C:\\Data\\x");
    EXPECT_EQ(store.GetString("Broken", "Key", "def"), "def");
    EXPECT_EQ(store.GetString("", "stray", "def"), "def");
    EXPECT_EQ(store.GetInt("Other", "Key", 0), 2);
    ASSERT_TRUE(store.WriteString("Main", "Added", "3"));
    EXPECT_EQ(test::ReadText(store.FilePath()),
              kMarker +
                  "stray=1\n; note\n[Main]\nKey = C:\\Data\\x\ngarbage\nAdded=3\n\n"
                  "[Broken\nKey=no\n[Other]\nKey=2\n");
}

TEST_F(ProfileStoreTest, AFailedReplaceLeavesTheOldFile) {
    ASSERT_TRUE(store.WriteString("S", "e", "old"));
    const std::string before = test::ReadText(store.FilePath());
    const std::string target = store.FilePath();
    FaultHookScope faults(
        [&](FileOp op, const std::string& path) { return op == FileOp::Rename && path == target; });
    EXPECT_FALSE(store.WriteString("S", "e", "new"));
    EXPECT_FALSE(store.WriteString("T", "e", "new"));
    EXPECT_EQ(test::ReadText(target), before);
    EXPECT_EQ(store.GetString("S", "e", ""), "old");
    EXPECT_FALSE(FileExists(target + ".~NU"));
}

TEST_F(ProfileStoreTest, SavingTheSettingsReplacesTheFileOnceWithWhatSingleWritesWrite) {
    const std::string start = "; by hand\n[Import]\nSymbol=OLD\nexist = 1\n\n[Other]\nx=1\n";
    ImportSettings settings;
    settings.dateFormat = "CCYY/MM/DD";
    settings.fieldOn[kSlotVolume] = 0;
    CProfileBatch batch(store);
    batch.WriteInt("Newbie", "Newbie2", 0);
    settings.Save(batch);
    ASSERT_EQ(batch.Entries().size(), 30U);

    test::TempDir otherDir;
    CProfileStore single;
    bool created = false;
    ASSERT_TRUE(single.Open(otherDir.Path(), kKey, created));
    test::WriteText(single.FilePath(), start);
    for (const ProfileEntry& item : batch.Entries()) {
        ASSERT_TRUE(single.WriteString(item.section, item.entry, item.value));
    }

    test::WriteText(store.FilePath(), start);
    int replaced = 0;
    FaultHookScope count([&](FileOp op, const std::string& path) {
        replaced += op == FileOp::Rename && path == store.FilePath() ? 1 : 0;
        return false;
    });
    settings.SaveConfirmed(store);
    count.Remove();
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(test::ReadText(store.FilePath()), test::ReadText(single.FilePath()));
    EXPECT_EQ(store.GetString("Import", "DateFormat", ""), "CCYY/MM/DD");
}

TEST_F(ProfileStoreTest, ConcurrentWritersLoseNoUpdate) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs fork(): the other writer is a second process";
#else
    constexpr int kCount = 200;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const std::string prefix = child == 0 ? "child" : "parent";
    bool allWritten = true;
    for (int i = 0; i < kCount; ++i) {
        allWritten = store.WriteInt("S", prefix + std::to_string(i), i) && allWritten;
    }
    if (child == 0) {
        _exit(allWritten ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(allWritten);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(store.GetInt("S", "child" + std::to_string(i), -1), i);
        EXPECT_EQ(store.GetInt("S", "parent" + std::to_string(i), -1), i);
    }
#endif
}

}  // namespace
}  // namespace torvan
