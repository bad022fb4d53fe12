// Tests of input bindings: what each Assign sets and the order the name tables rely on.
#include "framework/KeyAssign.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Fields(const KeyAssign &k)
{
    return {k.kind, k.joystick, k.joyInput, k.hat, k.code};
}

TEST(KeyAssignTest, AssignsLeaveNothingBehindAndOrderIsKindCodeJoystickInputHat)
{
    KeyAssign hat, button, key, other;
    hat.AssignHat(2, 3, 9);
    EXPECT_EQ(std::vector<int>({1, 2, 0, 3, 9}), Fields(hat));
    button = hat;
    button.AssignButton(1, 7);
    EXPECT_EQ(std::vector<int>({1, 1, 1, -1, 7}), Fields(button));
    key = button;
    key.AssignKey(400);
    EXPECT_EQ(std::vector<int>({0, -1, 0, -1, 400}), Fields(key));
    EXPECT_EQ(Fields(KeyAssign()), std::vector<int>({0, -1, 0, -1, 0}));

    EXPECT_LT(key, hat); // keyboard before every joystick input
    other.AssignButton(0, 8);
    EXPECT_LT(button, other); // code before joystick number
    other.AssignHat(1, 0, 7);
    EXPECT_LT(other, button); // same code and joystick: a hat direction before a button
    other.AssignHat(2, 2, 9);
    EXPECT_GT(hat, other); // the hat compares last
    EXPECT_LT(other, hat);

    // A strict weak order consistent with ==: exactly one of <, >, == holds for every pair.
    std::vector<KeyAssign> all(8);
    all[1].AssignKey(-5);
    all[2].AssignButton(0, 0);
    all[3].AssignButton(1, 0);
    all[4].AssignHat(0, 0, 0);
    all[5].AssignHat(0, 1, 0);
    all[6].AssignHat(1, 0, 12);
    all[7] = hat;
    for (const KeyAssign &x : all) {
        for (const KeyAssign &y : all) {
            EXPECT_EQ(1, int(x < y) + int(x > y) + int(x == y));
        }
    }
}

} // namespace
