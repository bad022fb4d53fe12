// Tests of turning the game's texts (UTF-8 or Shift-JIS) into UTF-8 for the text renderer.
#include "platform/TextConversion.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConversionTest, ValidUtf8PassesThroughUnchanged)
{
    EXPECT_EQ("", ToUtf8(""));
    EXPECT_EQ("Game", ToUtf8("Game"));
    const std::string fileName =
        "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89 (remix) \xF0\x9F\x8E\xB9.mid";
    EXPECT_EQ(fileName, ToUtf8(fileName));
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(withNul, ToUtf8(withNul));
}

TEST(TextConversionTest, ShiftJisBecomesTheSameCharactersInUtf8)
{
    // キーパッド_7, the name of keypad 7.
    EXPECT_EQ("\xE3\x82\xAD\xE3\x83\xBC\xE3\x83\x91\xE3\x83\x83\xE3\x83\x89_7",
              ToUtf8("\x83\x4C\x81\x5B\x83\x70\x83\x62\x83\x68_7"));
    EXPECT_EQ("\xE2\x86\x92", ToUtf8("\x81\xA8")); // →
    EXPECT_EQ("\xE2\x86\x90", ToUtf8("\x81\xA9")); // ←
    // Half-width katakana are single bytes in Shift-JIS.
    EXPECT_EQ("\xEF\xBD\xB1", ToUtf8("\xB1"));
}

TEST(TextConversionTest, UndecodableBytesBecomeReplacementCharacters)
{
    const std::string replacement = "\xEF\xBF\xBD";
    // A valid Shift-JIS character between bytes that start nothing.
    EXPECT_EQ("A" + replacement + "\xE3\x82\xAD" + replacement + "B", ToUtf8("A\xFF\x83\x4C\xFF"
                                                                             "B"));
    // A lead byte cut off at the end, and one followed by a byte that cannot trail it.
    EXPECT_EQ("x" + replacement, ToUtf8("x\x83"));
    EXPECT_EQ(replacement + " ok", ToUtf8("\x83 ok"));

    // Whatever goes in, valid UTF-8 comes out.
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    EXPECT_TRUE(IsValidUtf8(ToUtf8(everyByte)));
    EXPECT_TRUE(IsValidUtf8(ToUtf8(std::string(1000, '\x83'))));
}

TEST(TextConversionTest, ValidityCheckRejectsMalformedUtf8)
{
    EXPECT_TRUE(IsValidUtf8("\xC2\x80\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));     // overlong three-byte form
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE3\x81"));         // cut off
    EXPECT_FALSE(IsValidUtf8("\x80"));             // stray continuation byte
}

} // namespace
