// Tests of the sequential key/value writer: order, complete file after each pair, failures.
#include "config/ConfigWriter.h"

#include "platform/MessageBox.h"
#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigWriterTest, FileHoldsThePairsWrittenSoFarInCallOrder)
{
    ScratchFolder scratch;
    scratch.Write("out", "old contents\n");
    ConfigWriter writer;
    EXPECT_FALSE(writer.Write("early", 1)); // nothing open yet
    EXPECT_EQ("old contents\n", scratch.Read("out"));

    ASSERT_TRUE(writer.Open(scratch.Path("out")));
    EXPECT_EQ("", scratch.Read("out"));
    EXPECT_TRUE(writer.Write("speed", 100));
    EXPECT_EQ("speed 100\n", scratch.Read("out"));
    EXPECT_TRUE(writer.Write("AutoPlay", "0"));
    EXPECT_TRUE(writer.Write("videomode", -1));
    EXPECT_EQ("speed 100\nAutoPlay 0\nvideomode -1\n", scratch.Read("out"));

    // Opening another file starts afresh and leaves the first one as it was.
    ASSERT_TRUE(writer.Open(scratch.Path("second")));
    EXPECT_TRUE(writer.Write("keynum", 6));
    EXPECT_EQ("keynum 6\n", scratch.Read("second"));
    EXPECT_EQ("speed 100\nAutoPlay 0\nvideomode -1\n", scratch.Read("out"));
}

TEST(ConfigWriterTest, FailuresKeepTheLastCompleteFile)
{
    ScratchFolder scratch;
    ConfigWriter writer;
    EXPECT_FALSE(writer.Open(scratch.Path("missing-folder/out")));
    EXPECT_FALSE(writer.Write("keynum", 4));

    ASSERT_TRUE(writer.Open(scratch.Path("out")));
    EXPECT_TRUE(writer.Write("keynum", 4));
    {
        FileSizeLimit fullDisk(12);
        EXPECT_FALSE(writer.Write("speed", 100)); // "keynum 4\nspeed 100\n" does not fit
    }
    SetWarningSink([](const std::string &) {});
    EXPECT_FALSE(writer.Write("left", "")); // would not read back
    SetWarningSink(nullptr);
    EXPECT_TRUE(writer.Write("AutoPlay", 1));
    EXPECT_EQ("keynum 4\nAutoPlay 1\n", scratch.Read("out"));
    EXPECT_EQ(std::vector<std::string>{"out"}, scratch.Names());
}

} // namespace
