// SPDX-License-Identifier: GPL-3.0-or-later
// Blocks appended to a file, none after a failed one.
#include "platform/BlockWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace torvan::test {
namespace {

TEST(BlockWriter, WritesBlocksInOrderAndNoneAfterAFailure) {
    TempDir dir;
    File file;
    ASSERT_TRUE(file.Open(dir.File("out"), File::Mode::Write));
    int writes = 0;
    FaultHookScope hook([&writes](FileOp op, const std::string&) {
        writes += op == FileOp::Write ? 1 : 0;
        return writes == 3 && op == FileOp::Write;  // the third block fails
    });
    BlockWriter writer(file);
    EXPECT_TRUE(writer.Write("one"));
    EXPECT_TRUE(writer.Write(""));                       // an empty block writes nothing
    EXPECT_TRUE(writer.Write(std::string(70000, 'L')));  // past the stream's buffer
    EXPECT_TRUE(writer.Finish());
    EXPECT_FALSE(writer.Write("three"));
    EXPECT_FALSE(writer.Write("four"));
    EXPECT_EQ(writes, 3);  // nothing after the failure was tried
    EXPECT_FALSE(writer.Finish());
    hook.Remove();
    file.Close();
    EXPECT_EQ(ReadText(dir.File("out")), "one" + std::string(70000, 'L'));
}

}  // namespace
}  // namespace torvan::test
