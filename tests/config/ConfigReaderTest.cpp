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

TEST(ConfigReaderTest, TokensPairUpAcrossLinesWhiteSpaceAndCrLf)
{
    ScratchFolder scratch;
    ConfigReader reader =
        ReadText(scratch, "speed\n    120\r\nkeynum 6 showkey\t0\r\n\v\fkeynum 5\r\nleft A\r\n");
    EXPECT_EQ(120, reader.GetInteger("speed", 100));
    EXPECT_EQ(5, reader.GetInteger("keynum", 4)); // the last occurrence wins
    EXPECT_EQ(0, reader.GetInteger("showkey", 1));
    std::string out;
    EXPECT_STREQ("A", reader.GetString(out, "left", "Esc")); // no CR stuck to the value
    EXPECT_EQ(4u, reader.entries.size());
    EXPECT_EQ(7, reader.GetInteger("Speed", 7)); // keys are case-sensitive

    // No separators, no comments: '=' and '#' are ordinary tokens; a dangling key is dropped.
    reader = ReadText(scratch, "speed = 100 #x 5\n");
    EXPECT_STREQ("=", reader.GetString(out, "speed", ""));
    EXPECT_STREQ("#x", reader.GetString(out, "100", ""));
    EXPECT_EQ(2u, reader.entries.size());
    EXPECT_TRUE(ReadText(scratch, "").entries.empty());
    EXPECT_TRUE(ReadText(scratch, " \r\n\t\n").entries.empty());

    // Reading adds to the entries; missing files and folders change nothing.
    scratch.Write("second", "speed 80\nAutoPlay 0\n");
    reader.ReadFile(scratch.Path("second"));
    reader.ReadFile(scratch.Path("missing"));
    reader.ReadFile(scratch.Folder());
    EXPECT_EQ(80, reader.GetInteger("speed", 100));
    EXPECT_STREQ("#x", reader.GetString(out, "100", ""));
    EXPECT_EQ(3u, reader.entries.size());
}

TEST(ConfigReaderTest, LookUpsConvertAsAtoiOrGiveTheDefault)
{
    ScratchFolder scratch;
    const ConfigReader reader =
        ReadText(scratch, "bpp x\na 12abc\nb -5\nc +7\nd 007\ne 99999999999\nf -99999999999\ng -\n"
                          "h -2147483648\nok \x83\x4C_1\n");
    const std::pair<const char *, int> expected[] = {{"bpp", 0},
                                                     {"a", 12},
                                                     {"b", -5},
                                                     {"c", 7},
                                                     {"d", 7},
                                                     // out of range saturates instead of wrapping
                                                     {"e", INT_MAX},
                                                     {"f", INT_MIN},
                                                     {"g", 0},
                                                     {"h", INT_MIN},
                                                     {"depth", 32}};
    for (const auto &entry : expected) {
        EXPECT_EQ(entry.second, reader.GetInteger(entry.first, 32)) << entry.first;
    }

    std::string out = "old text that is longer";
    const char *text = reader.GetString(out, "left", "\x81\xA9");
    EXPECT_EQ("\x81\xA9", out);
    EXPECT_EQ(out.c_str(), text);
    EXPECT_STREQ("\x83\x4C_1", reader.GetString(out, "ok", "Return")); // bytes kept as read
    EXPECT_EQ(10u, reader.entries.size());                             // look-ups add nothing
}

} // namespace
