// The file layer under every database write.
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"

namespace torvan::test {
namespace {

TEST(FileSystem, ReadLineKeepsLineEndsNulBytesAndLongLines) {
    TempDir dir;
    const std::string longLine(100000, 'z');
    const std::string text = std::string("a\r\nb\0c\n", 7) + longLine + "\n\nlast";
    WriteText(dir.File("t.txt"), text);
    File file;
    ASSERT_TRUE(file.Open(dir.File("t.txt"), File::Mode::Read));
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadLine(line)) {
        lines.push_back(line);
    }
    EXPECT_FALSE(file.Failed());
    EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", std::string("b\0c\n", 4), longLine + "\n",
                                               "\n", "last"}));
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

TEST(FileSystem, AbsoluteDirectoryDoesNotTouchTheWorkingDirectory) {
    const auto before = std::filesystem::current_path();
    const std::string abs = AbsoluteDirectory("some/./dir/../x");
    EXPECT_EQ(abs, (before / "some/x").string());
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(AbsoluteDirectory(""), "");
}

}  // namespace
}  // namespace torvan::test
