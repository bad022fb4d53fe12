// Tests of reading key/value settings files and of the look-ups with defaults.
#include "config/ConfigReader.h"

#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

ConfigReader ReadText(const ScratchFolder &scratch, const std::string &text)
{
    scratch.Write("config", text);
    ConfigReader reader;
    reader.ReadFile(scratch.Path("config"));
    return reader;
}

TEST(ConfigReaderTest, TokensPairUpAcrossLinesAndAnyWhiteSpace)
{
    ScratchFolder scratch;
    ConfigReader reader =
        ReadText(scratch, "speed\n    120\nkeynum 6 showkey\t0\r\n\v\fAutoPlay 1\n");
    EXPECT_EQ(120, reader.GetInteger("speed", 100));
    EXPECT_EQ(6, reader.GetInteger("keynum", 4));
    EXPECT_EQ(0, reader.GetInteger("showkey", 1));
    EXPECT_EQ(1, reader.GetInteger("AutoPlay", 0));
    EXPECT_EQ(4u, reader.entries.size());

    // Keys are case-sensitive; no separators, no comments: '=' and '#' are ordinary tokens.
    EXPECT_EQ(7, reader.GetInteger("autoplay", 7));
    reader = ReadText(scratch, "speed = 100 #x 5\n");
    std::string out;
    EXPECT_STREQ("=", reader.GetString(out, "speed", ""));
    EXPECT_STREQ("#x", reader.GetString(out, "100", ""));
    EXPECT_EQ(2u, reader.entries.size()); // "5" is left without a value
}

TEST(ConfigReaderTest, CrLfReadsLikeLfAndLastDuplicateWins)
{
    ScratchFolder scratch;
    const ConfigReader lf = ReadText(scratch, "keynum 6\nleft A\nkeynum 5\n");
    const ConfigReader crlf = ReadText(scratch, "keynum 6\r\nleft A\r\nkeynum 5\r\n");
    EXPECT_EQ(lf.entries, crlf.entries);
    EXPECT_EQ(5, crlf.GetInteger("keynum", 4));
    std::string out;
    EXPECT_STREQ("A", crlf.GetString(out, "left", "Esc")); // no CR stuck to the value
}

TEST(ConfigReaderTest, IntegersConvertAsAtoi)
{
    ScratchFolder scratch;
    const ConfigReader reader =
        ReadText(scratch, "bpp x\na 12abc\nb -5\nc +7\nd 007\ne 99999999999\nf -99999999999\ng -\n"
                          "h 2147483647\ni -2147483648\n");
    EXPECT_EQ(0, reader.GetInteger("bpp", 32)); // present but not a number: 0, not the default
    EXPECT_EQ(32, reader.GetInteger("depth", 32));
    EXPECT_EQ(12, reader.GetInteger("a", 0));
    EXPECT_EQ(-5, reader.GetInteger("b", 0));
    EXPECT_EQ(7, reader.GetInteger("c", 0));
    EXPECT_EQ(7, reader.GetInteger("d", 0));
    EXPECT_EQ(INT_MAX, reader.GetInteger("e", 0)); // out of range saturates, never wraps
    EXPECT_EQ(INT_MIN, reader.GetInteger("f", 0));
    EXPECT_EQ(0, reader.GetInteger("g", 1));
    EXPECT_EQ(INT_MAX, reader.GetInteger("h", 0));
    EXPECT_EQ(INT_MIN, reader.GetInteger("i", 0));
}

TEST(ConfigReaderTest, DanglingKeyAndEmptyFileStoreNothing)
{
    ScratchFolder scratch;
    ConfigReader reader = ReadText(scratch, "keynum 5\nspeed");
    EXPECT_EQ(1u, reader.entries.size());
    EXPECT_EQ(100, reader.GetInteger("speed", 100));

    reader = ReadText(scratch, "");
    EXPECT_TRUE(reader.entries.empty());
    reader = ReadText(scratch, " \r\n\t\n");
    EXPECT_TRUE(reader.entries.empty());
}

TEST(ConfigReaderTest, ReadingAddsToEntriesAndMissingFileKeepsThem)
{
    ScratchFolder scratch;
    scratch.Write("first", "keynum 5\nspeed 120\n");
    scratch.Write("second", "speed 80\nAutoPlay 0\n");
    ConfigReader reader;
    reader.ReadFile(scratch.Path("first"));
    reader.ReadFile(scratch.Path("second"));
    reader.ReadFile(scratch.Path("missing"));
    reader.ReadFile(scratch.Folder()); // a folder is not a settings file
    EXPECT_EQ(5, reader.GetInteger("keynum", 4));
    EXPECT_EQ(80, reader.GetInteger("speed", 100));
    EXPECT_EQ(0, reader.GetInteger("AutoPlay", 1));
    EXPECT_EQ(3u, reader.entries.size());
}

TEST(ConfigReaderTest, GetStringFillsTheOutputWithValueOrDefault)
{
    ScratchFolder scratch;
    const ConfigReader reader = ReadText(scratch, "ok \x83\x4C_1\n");
    std::string out = "old text that is longer";
    const char *text = reader.GetString(out, "left", "\x81\xA9");
    EXPECT_EQ("\x81\xA9", out);
    EXPECT_EQ(out.c_str(), text);
    EXPECT_STREQ("\x83\x4C_1", reader.GetString(out, "ok", "Return")); // bytes kept as read
    EXPECT_EQ(1u, reader.entries.size());                              // look-ups never add keys
}

TEST(ConfigReaderTest, LongTokensHaveNoLimit)
{
    ScratchFolder scratch;
    const std::string longValue(100000, 'v');
    const ConfigReader reader = ReadText(scratch, "k " + longValue);
    std::string out;
    reader.GetString(out, "k", "");
    EXPECT_EQ(longValue, out);
}

} // namespace
