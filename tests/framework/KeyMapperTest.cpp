// Tests of the key-name table: contents, special cases, and names round-tripping.
#include "framework/KeyMapper.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const std::string keypad = "\x83\x4C\x81\x5B\x83\x70\x83\x62\x83\x68"; // キーパッド

KeyAssign Key(int key)
{
    KeyAssign k;
    k.AssignKey(key);
    return k;
}
KeyAssign Button(int joystick, int button)
{
    KeyAssign k;
    k.AssignButton(joystick, button);
    return k;
}
KeyAssign Hat(int joystick, int hat, int direction)
{
    KeyAssign k;
    k.AssignHat(joystick, hat, direction);
    return k;
}

class KeyMapperTest : public testing::Test
{
protected:
    KeyMapper mapper;
};

TEST_F(KeyMapperTest, TableHoldsEveryNameOnce)
{
    EXPECT_EQ(1033u, mapper.nameToKey.size());
    // 154 generated keyboard names + 76 named keys + 800 joystick inputs.
    EXPECT_EQ(1030u, mapper.keyToName.size());
    size_t joystickNames = 0;
    for (const auto &entry : mapper.nameToKey) {
        joystickNames += entry.second.kind == 1;
    }
    EXPECT_EQ(800u, joystickNames);
    // Every binding's name leads back to that binding.
    for (const auto &entry : mapper.keyToName) {
        EXPECT_EQ(entry.first, mapper.GetID(entry.second)) << entry.second;
    }
}

TEST_F(KeyMapperTest, GeneratedKeyboardFamilies)
{
    EXPECT_EQ(Key(97), mapper.GetID("A"));
    EXPECT_EQ(Key(122), mapper.GetID("Z"));
    EXPECT_EQ(KeyAssign(), mapper.GetID("a")); // names are case-sensitive
    EXPECT_STREQ("0", mapper.GetName(Key(48)));
    EXPECT_STREQ("9", mapper.GetName(Key(57)));
    EXPECT_EQ(Key(263), mapper.GetID(keypad + "_7")); // SDLK_KP7
    EXPECT_EQ(keypad + "_0", mapper.GetName(Key(256)));
    EXPECT_STREQ("F1", mapper.GetName(Key(282)));
    EXPECT_STREQ("F12", mapper.GetName(Key(293)));
    EXPECT_STREQ("", mapper.GetName(Key(294))); // F13 has no name
    EXPECT_STREQ("World0", mapper.GetName(Key(160)));
    EXPECT_STREQ("World95", mapper.GetName(Key(255)));
}

TEST_F(KeyMapperTest, KeysWithTwoNamesAnswerWithTheLaterOne)
{
    EXPECT_EQ(Key(94), mapper.GetID("^"));
    EXPECT_EQ(Key(94), mapper.GetID("Caret"));
    EXPECT_STREQ("Caret", mapper.GetName(Key(94)));

    EXPECT_EQ(Key(0), mapper.GetID("First"));
    EXPECT_STREQ("Unknown", mapper.GetName(Key(0)));
    EXPECT_STREQ("Unknown", mapper.GetName(KeyAssign()));

    EXPECT_EQ(Key(34), mapper.GetID("QuotedBL"));
    EXPECT_EQ(Key(34), mapper.GetID("\""));
    EXPECT_STREQ("\"", mapper.GetName(Key(34)));

    EXPECT_EQ(Key(320), mapper.GetID("Power"));
    EXPECT_STREQ("Power", mapper.GetName(Key(320)));

    // Round trip through the binding: only these three names change.
    for (const auto &entry : mapper.nameToKey) {
        const std::string back = mapper.GetName(mapper.GetID(entry.first));
        if (entry.first == "^") {
            EXPECT_EQ("Caret", back);
        } else if (entry.first == "First") {
            EXPECT_EQ("Unknown", back);
        } else if (entry.first == "QuotedBL") {
            EXPECT_EQ("\"", back);
        } else {
            EXPECT_EQ(entry.first, back);
        }
    }
    EXPECT_STREQ("Unknown", mapper.GetName(mapper.GetID("no such key")));
}

TEST_F(KeyMapperTest, NamedKeysIncludingShiftJisArrowsAndKeypadSigns)
{
    // The names the menus use as defaults for their fixed keys.
    EXPECT_STREQ("\x81\xA9", mapper.GetName(Key(276)));
    EXPECT_STREQ("\x81\xA8", mapper.GetName(Key(275)));
    EXPECT_STREQ("\x81\xAA", mapper.GetName(Key(273)));
    EXPECT_STREQ("\x81\xAB", mapper.GetName(Key(274)));
    EXPECT_STREQ("Return", mapper.GetName(Key(13)));
    EXPECT_STREQ("Esc", mapper.GetName(Key(27)));

    const std::pair<const char *, int> samples[] = {
        {"\\", 92},         {"@", 64},       {"Space", 32},  {"Back_Space", 8}, {"KP/", 267},
        {"KP_Return", 271}, {"KP=", 272},    {"KP-", 269},   {"KP*", 268},      {"KP.", 266},
        {"KP+", 270},       {"Last", 323},   {"Break", 318}, {"Euro", 321},     {"Back_Quote", 96},
        {"Ampersand", 38},  {"Delete", 127}, {"Pause", 19},  {"'", 39},         {"_", 95}};
    for (const auto &sample : samples) {
        EXPECT_EQ(Key(sample.second), mapper.GetID(sample.first)) << sample.first;
        EXPECT_STREQ(sample.first, mapper.GetName(Key(sample.second)));
    }
}

TEST_F(KeyMapperTest, JoystickHatsAndButtons)
{
    EXPECT_STREQ("Joy0_Hat0RightUP", mapper.GetName(Hat(0, 0, 3)));
    EXPECT_STREQ("Joy0_Hat0Center", mapper.GetName(Hat(0, 0, 0)));
    EXPECT_STREQ("Joy3_Hat19LeftDown", mapper.GetName(Hat(3, 19, 12)));
    EXPECT_STREQ("Joy2_Hat7Right", mapper.GetName(Hat(2, 7, 2)));
    EXPECT_STREQ("joy3_button19", mapper.GetName(Button(3, 19)));
    EXPECT_STREQ("joy0_button0", mapper.GetName(Button(0, 0)));
    EXPECT_EQ(Hat(1, 4, 9), mapper.GetID("Joy1_Hat4LeftUP"));
    EXPECT_EQ(Button(2, 11), mapper.GetID("joy2_button11"));
    EXPECT_EQ(KeyAssign(), mapper.GetID("Joy2_button11")); // the button names use "joy"

    EXPECT_STREQ("", mapper.GetName(Button(4, 0)));  // a fifth joystick
    EXPECT_STREQ("", mapper.GetName(Button(0, 20))); // button beyond the table
    EXPECT_STREQ("", mapper.GetName(Hat(0, 0, 5)));  // not a hat direction

    // Each joystick input has exactly the nine hat names and one button name per index.
    std::set<int> directions;
    for (const auto &entry : mapper.keyToName) {
        if (entry.first.kind == 1 && entry.first.joyInput == 0) {
            directions.insert(entry.first.code);
        }
    }
    EXPECT_EQ((std::set<int>{0, 1, 2, 3, 4, 6, 8, 9, 12}), directions);
}

} // namespace
