// Tests of input bindings: what each Assign sets and the order the name tables rely on.
#include "framework/KeyAssign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

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

TEST(KeyAssignTest, EachAssignResetsEveryField)
{
    KeyAssign k;
    k.AssignHat(2, 3, 9);
    EXPECT_EQ(1, k.kind);
    EXPECT_EQ(2, k.joystick);
    EXPECT_EQ(0, k.joyInput);
    EXPECT_EQ(3, k.hat);
    EXPECT_EQ(9, k.code);

    k.AssignButton(1, 7); // no hat left over from the hat binding
    EXPECT_EQ(1, k.kind);
    EXPECT_EQ(1, k.joystick);
    EXPECT_EQ(1, k.joyInput);
    EXPECT_EQ(-1, k.hat);
    EXPECT_EQ(7, k.code);

    k.AssignKey(97); // and no joystick left over from the button
    EXPECT_EQ(KeyAssign().kind, k.kind);
    EXPECT_EQ(-1, k.joystick);
    EXPECT_EQ(0, k.joyInput);
    EXPECT_EQ(-1, k.hat);
    EXPECT_EQ(97, k.code);
    EXPECT_EQ(Key(0), KeyAssign()); // the default binding is keyboard key 0
}

TEST(KeyAssignTest, OrderIsKindThenCodeThenJoystickThenInputThenHat)
{
    // A keyboard key sorts before every joystick input, whatever the codes.
    EXPECT_LT(Key(400), Button(0, 0));
    EXPECT_LT(Key(400), Hat(0, 0, 0));
    // Among joystick inputs the code comes before the joystick number.
    EXPECT_LT(Button(3, 1), Button(0, 2));
    // Same code and joystick: a hat direction (joyInput 0) before a button (1).
    EXPECT_LT(Hat(0, 5, 1), Button(0, 1));
    // Differing only in the hat: compared last, as signed numbers.
    KeyAssign a = Hat(1, 2, 4), b = Hat(1, 3, 4);
    EXPECT_LT(a, b);
    EXPECT_GT(b, a);
    EXPECT_FALSE(a == b);
    KeyAssign negative = a;
    negative.hat = -1;
    EXPECT_LT(negative, a);
    EXPECT_LT(Key(-5), Key(0));

    // A strict weak order consistent with ==: exactly one of <, >, == holds for every pair.
    std::vector<KeyAssign> all = {Key(0),       Key(13),      Key(400),     Button(0, 0),
                                  Button(0, 1), Button(1, 0), Hat(0, 0, 1), Hat(0, 1, 1),
                                  Hat(1, 0, 1), Hat(0, 0, 0), Hat(0, 0, 12)};
    for (const KeyAssign &x : all) {
        for (const KeyAssign &y : all) {
            EXPECT_EQ(1, int(x < y) + int(x > y) + int(x == y));
            EXPECT_EQ(x != y, !(x == y));
        }
    }
}

} // namespace
