// Tests of turning the game's texts (UTF-8 or Shift-JIS) into UTF-8 for the text renderer.
#include "text/TextConversion.h"

#include <gtest/gtest.h>

namespace {

const std::string replacement = "\xEF\xBF\xBD";

TEST(TextConversionTest, Utf8PassesThroughAndShiftJisIsDecoded)
{
    const std::string fileName =
        "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89 (remix) \xF0\x9F\x8E\xB9.mid";
    EXPECT_EQ(fileName, ToUtf8(fileName));
    EXPECT_EQ(std::string("a\0b", 3), ToUtf8(std::string("a\0b", 3)));
    // キーパッド_7, →, and a half-width katakana (one byte in Shift-JIS).
    EXPECT_EQ("\xE3\x82\xAD\xE3\x83\xBC\xE3\x83\x91\xE3\x83\x83\xE3\x83\x89_7",
              ToUtf8("\x83\x4C\x81\x5B\x83\x70\x83\x62\x83\x68_7"));
    EXPECT_EQ("\xE2\x86\x92", ToUtf8("\x81\xA8"));
    EXPECT_EQ("\xEF\xBD\xB1", ToUtf8("\xB1"));
}

TEST(TextConversionTest, UndecodableBytesBecomeReplacementCharacters)
{
    EXPECT_EQ("A" + replacement + "\xE3\x82\xAD" + replacement + "B", ToUtf8("A\xFF\x83\x4C\xFF"
                                                                             "B"));
    EXPECT_EQ("x" + replacement, ToUtf8("x\x83"));     // lead byte cut off at the end
    EXPECT_EQ(replacement + " ok", ToUtf8("\x83 ok")); // lead byte without a valid trail
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    EXPECT_TRUE(IsValidUtf8(ToUtf8(everyByte)));
    EXPECT_TRUE(IsValidUtf8(ToUtf8(std::string(1000, '\x83'))));

    // Malformed UTF-8 is not passed through as it is.
    for (const char *bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81", "\x80"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    }
    EXPECT_TRUE(IsValidUtf8("\xC2\x80\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"));
}

} // namespace
