// Tests of reading key/value settings files and of the look-ups with defaults.
#include "config/ConfigReader.h"

#include "platform/MessageBox.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <vector>

namespace {

ConfigReader ReadText(const ScratchFolder &scratch, const std::string &text)
{
    scratch.Write("config", text);
    ConfigReader reader;
    reader.ReadFile(scratch.Path("config"));
    return reader;
}

TEST(ConfigReaderTest, EachLineIsAKeyAndAValueAndABrokenLineShiftsNothing)
{
    ScratchFolder scratch;
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    ConfigReader reader = ReadText(scratch, "speed 120\r\n  keynum 6 showkey\t0\r\n\v\fkeynum 5\r\n"
                                            "\r\nleft A\r\nfullscreen");
    EXPECT_EQ(120, reader.GetInteger("speed", 100));
    EXPECT_EQ(5, reader.GetInteger("keynum", 4)); // the last occurrence wins
    EXPECT_EQ(0, reader.GetInteger("showkey", 1));
    std::string out;
    EXPECT_STREQ("A", reader.GetString(out, "left", "Esc")); // no CR stuck to the value
    EXPECT_EQ(4u, reader.entries.size());
    EXPECT_EQ(7, reader.GetInteger("Speed", 7)); // keys are case-sensitive
    ASSERT_EQ(1u, warnings.size());              // the last line has no value
    EXPECT_NE(std::string::npos, warnings[0].find("line 6")) << warnings[0];

    // A line without its value costs only itself: the pairs after it keep their keys. So does
    // a line with a separator, and a key whose value stands on the next line.
    warnings.clear();
    reader = ReadText(scratch, "AutoPlay 0\ndevid\nfullscreen 1\nspeed = 100\nkeynum\n 8\n"
                               "showkey 0\n#x 5\n");
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"AutoPlay", "0"}, {"fullscreen", "1"}, {"showkey", "0"}, {"#x", "5"}}),
              reader.entries);
    EXPECT_EQ(4u, warnings.size());
    SetWarningSink(nullptr);
    EXPECT_TRUE(ReadText(scratch, "").entries.empty());
    EXPECT_TRUE(ReadText(scratch, " \r\n\t\n").entries.empty());

    // Reading adds to the entries; missing files and folders change nothing.
    scratch.Write("second", "speed 80\nAutoPlay 1\n");
    reader.ReadFile(scratch.Path("second"));
    reader.ReadFile(scratch.Path("missing"));
    reader.ReadFile(scratch.Folder());
    EXPECT_EQ(80, reader.GetInteger("speed", 100));
    EXPECT_EQ(1, reader.GetInteger("AutoPlay", 0));
    EXPECT_EQ(5u, reader.entries.size());
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
