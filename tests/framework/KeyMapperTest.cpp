// Tests of the key-name table: its size, keys with two names, and names round-tripping.
#include "framework/KeyMapper.h"

#include <gtest/gtest.h>

#include <string>

#include "text/MessageCatalog.h"
#include "text/TextConversion.h"

namespace {

KeyAssign Key(int key)
{
    KeyAssign k;
    k.AssignKey(key);
    return k;
}

TEST(KeyMapperTest, TableSizeAndNamesThatRoundTrip)
{
    const KeyMapper mapper;
    EXPECT_EQ(1033u, mapper.nameToKey.size());
    EXPECT_EQ(1030u, mapper.keyToName.size()); // 154 generated + 76 named keys + 800 joystick
    // Keys registered twice answer with the later name; every other name comes back as is.
    for (const auto &entry : mapper.nameToKey) {
        const std::string expected = entry.first == "^"          ? "Caret"
                                     : entry.first == "First"    ? "Unknown"
                                     : entry.first == "QuotedBL" ? "\""
                                                                 : entry.first;
        EXPECT_EQ(expected, mapper.GetName(mapper.GetID(entry.first)));
    }
    EXPECT_EQ(Key(94), mapper.GetID("^"));
    EXPECT_EQ(Key(0), mapper.GetID("First"));
    EXPECT_EQ(Key(34), mapper.GetID("QuotedBL"));
    EXPECT_STREQ("Unknown", mapper.GetName(mapper.GetID("no such key")));
}

TEST(KeyMapperTest, KeyboardAndJoystickNames)
{
    const KeyMapper mapper;
    EXPECT_EQ(KeyAssign(), mapper.GetID("a")); // names are case-sensitive
    const std::string keypad = "\x83\x4C\x81\x5B\x83\x70\x83\x62\x83\x68"; // キーパッド
    const std::pair<std::string, int> keys[] = {
        {"A", 97},         {"Z", 122},           {"0", 48},
        {"F1", 282},       {"F12", 293},         {"World0", 160},
        {"World95", 255},  {keypad + "_0", 256}, {keypad + "_7", 263},
        {"\x81\xA8", 275}, {"\x81\xA9", 276},    {"\x81\xAA", 273},
        {"\x81\xAB", 274}, {"Esc", 27},          {"\\", 92},
        {"@", 64},         {"KP/", 267},         {"KP.", 266},
        {"Last", 323},     {"Back_Quote", 96},
    };
    for (const auto &sample : keys) {
        EXPECT_EQ(Key(sample.second), mapper.GetID(sample.first)) << sample.first;
    }
    EXPECT_STREQ("", mapper.GetName(Key(294))); // F13 has no name

    KeyAssign joy;
    joy.AssignHat(0, 0, 3);
    EXPECT_STREQ("Joy0_Hat0RightUP", mapper.GetName(joy));
    joy.AssignHat(3, 19, 12);
    EXPECT_STREQ("Joy3_Hat19LeftDown", mapper.GetName(joy));
    EXPECT_EQ(joy, mapper.GetID("Joy3_Hat19LeftDown"));
    joy.AssignHat(0, 0, 5);
    EXPECT_STREQ("", mapper.GetName(joy)); // not a hat direction
    joy.AssignButton(3, 19);
    EXPECT_STREQ("joy3_button19", mapper.GetName(joy));
    joy.AssignButton(4, 0);
    EXPECT_STREQ("", mapper.GetName(joy)); // a fifth joystick
}

TEST(KeyMapperTest, ShownNamesTranslateTheKeypadAndKeepTheStoredNames)
{
    const std::string catalogues = std::string(KEYRISE_BINARY_DIR) + "/locale";
    const KeyMapper mapper;
    const std::string keypad7 = mapper.GetName(Key(263)); // Shift-JIS "キーパッド_7"
    const std::string right = mapper.GetName(Key(275));   // Shift-JIS "→"

    ASSERT_TRUE(MessageCatalog::Use(catalogues, "en"));
    EXPECT_EQ(KeyMapper::GetShownName(keypad7), "Keypad_7");
    EXPECT_EQ(KeyMapper::GetShownName(right), "\xE2\x86\x92"); // →, in UTF-8
    EXPECT_EQ(KeyMapper::GetShownName("Return"), "Return");

    // In Japanese the screen shows exactly what the Shift-JIS name shows.
    ASSERT_TRUE(MessageCatalog::Use(catalogues, "ja"));
    EXPECT_EQ(KeyMapper::GetShownName(keypad7), ToUtf8(keypad7));
    EXPECT_EQ(ToUtf8(KeyMapper::GetShownName(keypad7)),
              "\xE3\x82\xAD\xE3\x83\xBC\xE3\x83\x91\xE3\x83\x83\xE3\x83\x89_7");
    // The stored name itself never changes with the language.
    EXPECT_EQ(mapper.GetName(mapper.GetID(keypad7)), keypad7);
    MessageCatalog::Use(catalogues, "en");
}

} // namespace
