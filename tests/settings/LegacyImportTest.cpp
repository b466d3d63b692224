// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "settings/ProfileStore.h"

namespace torvan {
namespace {

const char kKey[] = "Software\\Quennel\\Torvan";

class LegacyImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bool created = false;
        ASSERT_TRUE(store.Open(dir.Path(), kKey, created));
        ASSERT_TRUE(created);
    }
    // Imports text as the legacy file lying next to the store.
    void Import(const std::string& text) {
        test::WriteText(dir.File("Quennel/Torvan.INI"), text);
        store.ImportIniFile();
    }
    std::string Get(const std::string& section, const std::string& entry) {
        return store.GetString(section, entry, "<missing>");
    }
    test::TempDir dir;
    CProfileStore store;
};

TEST_F(LegacyImportTest, NamesAndValuesKeepTheirBlanksAndEntriesBeforeAHeaderAreDropped) {
#ifdef _WIN32
    GTEST_SKIP() << "On Windows Torvan.INI and Torvan.ini name one file";
#else
    Import("a=1\n[ Import ]\nName = X\n  PathOut=C:\\DATA\\  \nDateFormat=a=b\n");
    EXPECT_EQ(Get("Import", "Name "), " X");
    EXPECT_EQ(Get("Import", "Name"), "<missing>");
    EXPECT_EQ(Get("Import", "PathOut"), "C:\\DATA\\");  // the line is trimmed as a whole
    EXPECT_EQ(Get("Import", "DateFormat"), "a=b");
    EXPECT_EQ(Get("", "a"), "<missing>");
    EXPECT_EQ(Get("Import", "a"), "<missing>");

    // What the import stored survives a second store on the same file.
    CProfileStore again;
    bool created = true;
    ASSERT_TRUE(again.Open(dir.Path(), kKey, created));
    EXPECT_FALSE(created);
    EXPECT_EQ(again.GetString("Import", "Name ", ""), " X");
#endif
}

TEST_F(LegacyImportTest, OnlyProperHeadersStartSectionsAndOtherLinesAreIgnored) {
    Import(
        "[Import]\nSymbol=IBM\n[a]b]\n; comment\n\nno equals sign\n[Screen]\r\n"
        "Left=10\r\n[a]b]=x\n[Import]\nSymbol=ORCL\n");
    // "[a]b]" is no header, so "[a]b]=x" is an entry of "Screen" named "[a]b]".
    EXPECT_EQ(Get("Screen", "Left"), "10");
    EXPECT_EQ(Get("Screen", "[a]b]"), "x");
    EXPECT_EQ(Get("a", "b"), "<missing>");
    // A section met again gets the later value.
    EXPECT_EQ(Get("Import", "Symbol"), "ORCL");
    EXPECT_EQ(store.GetInt("Screen", "Left", 0), 10);
    // Every section of the file is in the store, in the order met.
    const std::string stored = test::ReadText(store.FilePath());
    EXPECT_LT(stored.find("[Import]"), stored.find("[Screen]"));
}

TEST_F(LegacyImportTest, LongLinesAreReadInPiecesOf519Characters) {
    const std::string value(600, 'v');
    // "x=" plus 517 characters fill the first piece; the rest of the line is
    // a piece of its own, and it holds an '=' too.
    const std::string line = "x=" + value.substr(0, 517) + "y=" + value.substr(0, 10);
    Import("[S]\n" + line + "\nz=1\n");
    EXPECT_EQ(Get("S", "x"), "<missing>");  // longer than a stored value may be
    EXPECT_EQ(store.GetString("S", "y", ""), value.substr(0, 10));
    EXPECT_EQ(Get("S", "z"), "1");

    // A 259-character value is read back whole.
    Import("[T]\nv=" + value.substr(0, 259) + "\n");
    EXPECT_EQ(Get("T", "v"), value.substr(0, 259));
}

TEST_F(LegacyImportTest, ALineEndsAtItsFirstNulAndEscapesRoundTrip) {
    Import(std::string("[S]\nk=ab\0cd\nq=tab\there\\n\n", 25));
    EXPECT_EQ(Get("S", "k"), "ab");
    EXPECT_EQ(Get("S", "q"), "tab\there\\n");
}

TEST_F(LegacyImportTest, WithoutAFileNothingHappensAndTheStoreFileIsNeverTheSource) {
#ifdef _WIN32
    GTEST_SKIP() << "On Windows Torvan.INI and Torvan.ini name one file";
#else
    ASSERT_TRUE(store.WriteString("Import", "Symbol", "KEEP"));
    const std::string before = test::ReadText(store.FilePath());
    store.ImportIniFile();  // no Torvan.INI
    store.ImportIniFile(store.FilePath());
    EXPECT_EQ(test::ReadText(store.FilePath()), before);
    EXPECT_EQ(store.LegacyIniPath(), dir.File("Quennel/Torvan.INI"));

    // A file copied from Windows may be spelt in upper case.
    test::WriteText(dir.File("Quennel/TORVAN.INI"), "[Import]\nName=Upper\n");
    EXPECT_EQ(store.LegacyIniPath(), dir.File("Quennel/TORVAN.INI"));
    store.ImportIniFile();
    EXPECT_EQ(Get("Import", "Name"), "Upper");
    EXPECT_EQ(Get("Import", "Symbol"), "KEEP");

    CProfileStore closed;
    EXPECT_EQ(closed.LegacyIniPath(), "");
    closed.ImportIniFile(dir.File("Quennel/TORVAN.INI"));  // not opened: no effect, no crash
#endif
}

// The start-up rule: only the start that creates the store imports.
TEST_F(LegacyImportTest, AFileThatStartsAsTheStoreDoesIsNeverImported) {
    // As on Windows, where the legacy "Torvan.INI" is the store's "Torvan.ini".
    ASSERT_TRUE(store.WriteString("Import", "PathOut", "C:\\new"));
    const std::string copy = dir.File("Quennel/Copy.INI");
    test::WriteText(copy, test::ReadText(store.FilePath()) + "[Import]\nSymbol=X\n");
    store.ImportIniFile(copy);
    EXPECT_EQ(Get("Import", "PathOut"), "C:\\new");
    EXPECT_EQ(Get("Import", "Symbol"), "<missing>");
}

TEST(LegacyImportStartUp, ASecondStartImportsNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "On Windows Torvan.INI and Torvan.ini name one file";
#else
    test::TempDir dir;
    const auto start = [&dir] {
        CProfileStore store;
        bool created = false;
        EXPECT_TRUE(store.Open(dir.Path(), kKey, created));
        if (created) {
            store.ImportIniFile();
        }
        return store.GetString("Import", "Symbol", "<missing>");
    };
    ASSERT_TRUE(std::filesystem::create_directories(dir.File("Quennel")));
    test::WriteText(dir.File("Quennel/Torvan.INI"), "[Import]\nSymbol=FIRST\n");
    EXPECT_EQ(start(), "FIRST");
    test::WriteText(dir.File("Quennel/Torvan.INI"), "[Import]\nSymbol=SECOND\n");
    EXPECT_EQ(start(), "FIRST");
#endif
}

TEST(LegacyStoreName, AFileSpeltAsTheStoreIsImportedNotReadAsTheStore) {
    // Copied from Windows as "Torvan.ini", the store's own name: its
    // backslashes are text, not escapes.
    test::TempDir dir;
    const std::string legacy = "[Import]\r\nPathOut=C:\\new\\test\r\n";
    std::filesystem::create_directories(dir.File("Quennel"));
    test::WriteText(dir.File("Quennel/Torvan.ini"), legacy);
    CProfileStore store;
    bool created = false;
    ASSERT_TRUE(store.Open(dir.Path(), kKey, created));
    EXPECT_TRUE(created);
    EXPECT_EQ(store.GetString("Import", "PathOut", ""), "C:\\new\\test");
    EXPECT_EQ(test::ReadText(dir.File("Quennel/Torvan.ini.imported")), legacy);
    // Once adopted it is the store: opened again, nothing is imported twice.
    ASSERT_TRUE(store.WriteString("Import", "PathOut", "C:\\other"));
    CProfileStore again;
    ASSERT_TRUE(again.Open(dir.Path(), kKey, created));
    EXPECT_FALSE(created);
    EXPECT_EQ(again.GetString("Import", "PathOut", ""), "C:\\other");
}

}  // namespace
}  // namespace torvan
