// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer under every database write.
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/LockFile.h"

namespace torvan::test {
namespace {

namespace stdfs = std::filesystem;

TEST(FileSystem, SmallAndLargeWritesKeepTheirOrderAndPosition) {
    // Large blocks bypass the stream's buffer: what it holds must go first,
    // and the position must follow, whether writing afresh or appending.
    TempDir dir;
    const std::string large(300000, 'L');
    std::string expected;
    File file;
    ASSERT_TRUE(file.Open(dir.File("w"), File::Mode::Write));
    for (const std::string& block : {std::string("a"), large, std::string("bc"), large,
                                     std::string(70000, 'm'), std::string("d")}) {
        ASSERT_TRUE(file.Write(block.data(), block.size()));
        expected += block;
        ASSERT_EQ(file.Tell(), expected.size());
    }
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadText(dir.File("w")), expected);

    ASSERT_TRUE(file.Open(dir.File("w"), File::Mode::Append));
    ASSERT_TRUE(file.Write("e", 1));
    ASSERT_TRUE(file.Write(large.data(), large.size()));
    ASSERT_TRUE(file.Write("f", 1));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadText(dir.File("w")), expected + "e" + large + "f");
}

TEST(FileSystem, WritesNeverGoThroughALink) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
    // Write makes a new file in the link's place; Append and Update refuse.
    TempDir dir;
    TempDir outside;
    for (const File::Mode mode : {File::Mode::Write, File::Mode::Append, File::Mode::Update}) {
        for (const bool hard : {false, true}) {
            const std::string path = dir.File("work");
            const std::string victim = outside.File("victim");
            WriteText(victim, "keep");
            stdfs::remove(path);
            hard ? stdfs::create_hard_link(victim, path) : stdfs::create_symlink(victim, path);
            File file;
            EXPECT_EQ(file.Open(path, mode) && file.Write("x", 1) && file.Close(),
                      mode == File::Mode::Write);
            EXPECT_EQ(ReadText(victim), "keep");
        }
    }
#endif
}

TEST(FileSystem, CopyReplacesWholeAndNamesAreFoundIgnoringCase) {
    TempDir dir;
    WriteText(dir.File("src"), std::string(200000, 'x'));
    WriteText(dir.File("dst"), "old and longer than nothing");
    ASSERT_TRUE(CopyFileReplace(dir.File("src"), dir.File("dst")));
    EXPECT_EQ(ReadText(dir.File("dst")), std::string(200000, 'x'));
    EXPECT_FALSE(FileExists(dir.File("dst.~CP")));

    WriteText(dir.File("master"), "m");
    EXPECT_EQ(FindFileNoCase(dir.Path(), "MASTER"), dir.File("master"));
    EXPECT_EQ(FindFileNoCase(dir.Path(), "EMASTER"), std::nullopt);
}

TEST(FileSystem, ListingScopeAnswersAsTheDirectoryDoes) {
#ifdef _WIN32
    GTEST_SKIP() << "Names that differ only in case cannot share a folder on Windows";
#else
    // Under a scope, lookups that ignore case must find what reading the
    // directory finds: files there before it began and those this process
    // made since, but not those removed since, nor folders.
    TempDir dir;
    WriteText(dir.File("master"), "m");
    WriteText(dir.File("f2.DAT"), "d");
    WriteText(dir.File("F2.dat"), "d");
    WriteText(dir.File("gone"), "g");
    stdfs::create_directory(dir.File("emaster"));
    const std::vector<std::string> names = {"MASTER",  "F2.DAT", "GONE",   "EMASTER",
                                            "XMASTER", "F3.MWD", "F3.DOP", "F4.MWD"};
    // Named as looked up, then otherwise: the second run finds the files
    // the first one made in the listing.
    std::vector<std::vector<std::optional<std::string> > > answers;
    for (const std::string& spelling : {dir.Path(), dir.Path() + "/."}) {
        const DirectoryListingScope listing(spelling);
        EXPECT_EQ(FindFileNoCase(dir.Path(), "NONE"), std::nullopt);  // reads the listing
        File made;
        ASSERT_TRUE(made.Open(dir.File("xmaster"), File::Mode::Write) && made.Close());
        ASSERT_TRUE(made.Open(dir.File("f3.mwd.~NU"), File::Mode::Write) && made.Close());
        ASSERT_TRUE(RenameFile(dir.File("f3.mwd.~NU"), dir.File("f3.mwd")));
        ASSERT_TRUE(LinkOrCopyFile(dir.File("f3.mwd"), dir.File("f3.dop")));
        ASSERT_TRUE(RemoveFile(dir.File("gone")));
        answers.emplace_back();
        for (const std::string& name : names) {
            answers.back().push_back(FindFileNoCase(dir.Path(), name));
        }
    }
    for (const auto& scoped : answers) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(scoped[i], FindFileNoCase(dir.Path(), names[i])) << names[i];
        }
    }
    EXPECT_EQ(answers[0][1], dir.File("F2.dat"));  // the first in name order
    EXPECT_EQ(answers[0][4], dir.File("xmaster"));
    EXPECT_EQ(answers[0][6], dir.File("f3.dop"));
#endif
}

TEST(FileSystem, FailedCopyOrReplaceKeepsTheTarget) {
    TempDir dir;
    WriteText(dir.File("src"), "new");
    WriteText(dir.File("dst"), "old");
    for (FileOp op : {FileOp::Copy, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
        FaultHookScope faults([op](FileOp o, const std::string&) { return o == op; });
        EXPECT_FALSE(CopyFileReplace(dir.File("src"), dir.File("dst")));
        if (op != FileOp::Copy) {
            EXPECT_FALSE(WriteFileAtomically(dir.File("dst"), "new"));
        }
        faults.Remove();
        EXPECT_EQ(ReadText(dir.File("dst")), "old");
        EXPECT_FALSE(FileExists(dir.File("dst.~CP")));
        EXPECT_FALSE(FileExists(dir.File("dst.~NU")));
    }
}

// A file the user has closed to others stays closed after a rewrite, and
// its new content is never readable under wider permissions on the way.
TEST(FileSystem, AtomicWriteKeepsTheFilesPermissions) {
#ifdef _WIN32
    GTEST_SKIP()
        << "Windows files have no permission bits: new files take their folder's access rules";
#else
    TempDir dir;
    for (const auto mode :
         {stdfs::perms::owner_read | stdfs::perms::owner_write,
          stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read}) {
        const std::string path = dir.File("store.ini");
        WriteText(path, "old");
        stdfs::permissions(path, mode);
        std::vector<stdfs::perms> whileWritten;
        FaultHookScope watch([&](FileOp op, const std::string& file) {
            if (op == FileOp::Write && file == path + ".~NU") {
                whileWritten.push_back(stdfs::status(file).permissions());
            }
            return false;
        });
        ASSERT_TRUE(WriteFileAtomically(path, "new content"));
        watch.Remove();
        EXPECT_EQ(ReadText(path), "new content");
        EXPECT_EQ(stdfs::status(path).permissions(), mode);
        EXPECT_EQ(whileWritten, std::vector<stdfs::perms>{mode});
    }
    // A new file gets the usual permissions of new files.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(WriteFileAtomically(dir.File("new.ini"), "x"));
    EXPECT_EQ(static_cast<mode_t>(stdfs::status(dir.File("new.ini")).permissions()), 0666 & ~mask);
#endif
}

// Names are UTF-8 in the core whatever the system: on Windows they must
// reach the file system as the same characters, not as code-page bytes.
TEST(FileSystem, NonAsciiNamesWorkInEveryOperation) {
    TempDir top;
    for (const std::string folder : {"Kurse-\u00e4\u00f6\u00fc", "\u682a\u4fa1", "plain"}) {
        SCOPED_TRACE(folder);
        const std::string dir = top.File(folder);
        ASSERT_TRUE(stdfs::create_directory(U8Path(dir)));
        const std::string name = "\u00d6lpreis-\u20ac.csv";
        const std::string path = JoinPath(dir, name);
        ASSERT_TRUE(WriteFileAtomically(path, "1,2\n"));
        EXPECT_EQ(ReadText(path), "1,2\n");
        EXPECT_EQ(ReadWholeFile(path), "1,2\n");
        EXPECT_TRUE(IsDirectory(dir) && IsReadableFile(path) && StampOf(path).exists);
        EXPECT_EQ(ListDirectory(dir), std::vector<std::string>{name});
        EXPECT_EQ(FindFileNoCase(dir, "\u00d6LPREIS-\u20ac.CSV"), path);
        EXPECT_EQ(IdentityOf(path), IdentityOf(ResolvedPath(path)));
        EXPECT_EQ(ParentDirectory(path), dir);
        EXPECT_EQ(FileNameOf(path), name);
        EXPECT_EQ(StemOf(path), "\u00d6lpreis-\u20ac");
        EXPECT_TRUE(IsRegularFile(path) && !IsRegularFile(dir));
        EXPECT_TRUE(MakeDirectories(JoinPath(JoinPath(dir, "\u00e4"), "\u00f6")));
        EXPECT_TRUE(IsDirectory(JoinPath(JoinPath(dir, "\u00e4"), "\u00f6")));
        EXPECT_EQ(AbsoluteDirectory(dir),
                  AbsoluteDirectory(top.Path()) + dir.substr(top.Path().size()));
        ASSERT_TRUE(LinkOrCopyFile(path, path + ".~OLD"));
        ASSERT_TRUE(RenameFile(path + ".~OLD", JoinPath(dir, "\u00e9.txt")));
        EXPECT_EQ(ReadText(JoinPath(dir, "\u00e9.txt")), "1,2\n");
        LockFile lock;
        EXPECT_EQ(lock.Lock(JoinPath(dir, "\u00e9.~LK"), false), LockFile::Result::kLocked);
        LockFile second;
        EXPECT_EQ(second.Lock(JoinPath(dir, "\u00e9.~LK"), false), LockFile::Result::kBusy);
        lock.Unlock(true);
        EXPECT_TRUE(RemoveFile(path));
        EXPECT_FALSE(FileExists(path));
    }
}

TEST(FileSystem, AbsoluteDirectoryDoesNotTouchTheWorkingDirectory) {
    const auto before = std::filesystem::current_path();
    const std::string abs = AbsoluteDirectory("some/./dir/../x");
    EXPECT_EQ(abs, (before / "some" / "x").string());
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(AbsoluteDirectory(""), "");
}

TEST(FileSystem, BuffersAreReusedButNeverShared) {
    // A block given back is the next one of its size; blocks held at once,
    // or of another size, are never the same. Files open at once write
    // through buffers of their own, first made and then from the cache.
    // (Tests run before this one in the same process may have filled it.)
    ScratchBlock::ReleaseCached();
    ScratchBlock a(4096);
    ScratchBlock b(4096);
    ASSERT_NE(a.get(), b.get());
    char* const given = a.get();
    a.reset();
    EXPECT_FALSE(a);
    const ScratchBlock other(8192);
    const ScratchBlock again(4096);
    EXPECT_NE(other.get(), given);
    EXPECT_EQ(again.get(), given);
    TempDir dir;
    for (int round = 0; round < 2; ++round) {
        File x;
        File y;
        ASSERT_TRUE(x.Open(dir.File("x"), File::Mode::Write));
        ASSERT_TRUE(y.Open(dir.File("y"), File::Mode::Write));
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(x.Write("x", 1) && y.Write("y", 1));
        }
        ASSERT_TRUE(x.Close() && y.Close());
        EXPECT_EQ(ReadText(dir.File("x")), std::string(100, 'x'));
        EXPECT_EQ(ReadText(dir.File("y")), std::string(100, 'y'));
    }
}

TEST(FileSystem, SyncFilesFlushesManyAndNamesOneMissing) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 20; ++i) {
        paths.push_back(dir.File("f" + std::to_string(i)));
        WriteText(paths.back(), "x");
    }
    std::string failed;
    EXPECT_TRUE(SyncFiles(paths, failed));
    ASSERT_TRUE(RemoveFile(paths[13]));
    EXPECT_FALSE(SyncFiles(paths, failed));
    EXPECT_EQ(failed, paths[13]);
}

}  // namespace
}  // namespace torvan::test
