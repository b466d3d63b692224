// Blocks written on a thread of their own.
#include "platform/BackgroundWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace torvan::test {
namespace {

// Block n: its number, then bytes that tell it from its neighbours.
std::string Block(int n) {
    return std::to_string(n) + ":" +
           std::string(static_cast<std::size_t>(1 + n % 7) * 1000, static_cast<char>('a' + n % 26));
}

TEST(BackgroundWriter, WritesEveryBlockInOrderAndHandsBackEmptyOnes) {
    TempDir dir;
    File file;
    ASSERT_TRUE(file.Open(dir.File("out"), File::Mode::Write));
    std::string expected;
    {
        BackgroundWriter writer(file);
        std::string block;
        for (int n = 0; n < 200; ++n) {
            block += Block(n);
            expected += Block(n);
            ASSERT_TRUE(writer.Write(block));
            ASSERT_TRUE(block.empty());
        }
        ASSERT_TRUE(writer.Write(block));  // an empty block writes nothing
        ASSERT_TRUE(writer.Finish());
        // After Finish the file is the caller's again; a late block is
        // written at once.
        block = "late";
        expected += "late";
        ASSERT_TRUE(writer.Write(block));
    }
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadText(dir.File("out")), expected);
}

TEST(BackgroundWriter, AFailedWriteIsReportedAndStopsTheRest) {
    TempDir dir;
    WriteText(dir.File("in"), "unchanged");
    File file;
    // A file open for reading takes no writes.
    ASSERT_TRUE(file.Open(dir.File("in"), File::Mode::Read));
    BackgroundWriter writer(file);
    // The failure shows at the latest at Finish; once a Write has seen it,
    // every later one fails too.
    bool refused = false;
    for (int n = 0; n < 50; ++n) {
        std::string block = Block(n);
        const bool ok = writer.Write(block);
        EXPECT_FALSE(refused && ok) << "block " << n << " taken after a refusal";
        refused = refused || !ok;
    }
    EXPECT_FALSE(writer.Finish());
    std::string block = Block(99);
    EXPECT_FALSE(writer.Write(block));
    EXPECT_TRUE(file.Failed());
    file.Close();
    EXPECT_EQ(ReadText(dir.File("in")), "unchanged");
}

TEST(BackgroundWriter, WithAFaultHookTheBlocksAreWrittenAtOnce) {
    TempDir dir;
    File file;
    ASSERT_TRUE(file.Open(dir.File("out"), File::Mode::Write));
    int writes = 0;
    FaultHookScope hook([&writes](FileOp op, const std::string&) {
        writes += op == FileOp::Write ? 1 : 0;
        return writes == 3 && op == FileOp::Write;  // the third block fails
    });
    BackgroundWriter writer(file);
    std::string block = "one";
    EXPECT_TRUE(writer.Write(block));
    EXPECT_EQ(writes, 1);  // already written, on this thread
    block = "two";
    EXPECT_TRUE(writer.Write(block));
    block = "three";
    EXPECT_FALSE(writer.Write(block));
    block = "four";
    EXPECT_FALSE(writer.Write(block));
    EXPECT_EQ(writes, 3);  // nothing after the failure was tried
    EXPECT_FALSE(writer.Finish());
    hook.Remove();
    file.Close();
    EXPECT_EQ(ReadText(dir.File("out")), "onetwo");
}

}  // namespace
}  // namespace torvan::test
