// Tests of joystick button and hat sampling and the held/pressed queries, without a device.
#include <gtest/gtest.h>

#include "framework/JoyStick.h"
#include "support/HeadlessGame.h"

namespace {

// A joystick with 4 buttons and 2 hats, fed samples by hand.
class JoyStickTest : public ::testing::Test
{
protected:
    JoyStick stick;
    Uint8 buttons[4] = {0, 0, 0, 0};
    Uint8 hats[2] = {SDL_HAT_CENTERED, SDL_HAT_CENTERED};

    void SetUp() override { stick.Allocate(4, 2); }
    void Sample() { stick.Sample(buttons, hats); }
};

TEST_F(JoyStickTest, ButtonPressIsTheEdgeOfOneSample)
{
    buttons[2] = 7; // any non-zero value reads as held
    Sample();
    EXPECT_TRUE(stick.ButtonDown(2));
    EXPECT_TRUE(stick.ButtonPress(2));
    EXPECT_FALSE(stick.ButtonDown(1));
    Sample();
    EXPECT_TRUE(stick.ButtonDown(2));
    EXPECT_FALSE(stick.ButtonPress(2));
    buttons[2] = 0;
    Sample();
    EXPECT_FALSE(stick.ButtonDown(2));
    EXPECT_FALSE(stick.ButtonPress(2));
}

TEST_F(JoyStickTest, HatDirectionsAreBitSets)
{
    hats[0] = SDL_HAT_UP;
    Sample();
    EXPECT_TRUE(stick.HatPress(0, SDL_HAT_UP));
    hats[0] = SDL_HAT_RIGHTUP;
    Sample();
    EXPECT_TRUE(stick.HatDown(0, SDL_HAT_UP));
    EXPECT_TRUE(stick.HatDown(0, SDL_HAT_RIGHT));
    EXPECT_TRUE(stick.HatDown(0, SDL_HAT_RIGHTUP));
    EXPECT_FALSE(stick.HatDown(0, SDL_HAT_LEFT));
    EXPECT_FALSE(stick.HatDown(0, SDL_HAT_LEFTUP));
    // Up was already held: only the newly added right reads as pressed.
    EXPECT_TRUE(stick.HatPress(0, SDL_HAT_RIGHT));
    EXPECT_FALSE(stick.HatPress(0, SDL_HAT_UP));
    EXPECT_TRUE(stick.HatPress(0, SDL_HAT_RIGHTUP));
    // Direction 0 is always held and never pressed; the other hat is independent.
    EXPECT_TRUE(stick.HatDown(0, 0));
    EXPECT_TRUE(stick.HatDown(1, 0));
    EXPECT_FALSE(stick.HatPress(0, 0));
    EXPECT_FALSE(stick.HatDown(1, SDL_HAT_UP));
}

TEST_F(JoyStickTest, InputsBeyondTheDeviceNeverRead)
{
    buttons[0] = buttons[3] = 1;
    hats[1] = SDL_HAT_DOWN;
    Sample();
    EXPECT_TRUE(stick.ButtonDown(3));
    for (int button : {4, 100, -1}) {
        EXPECT_FALSE(stick.ButtonDown(button)) << button;
        EXPECT_FALSE(stick.ButtonPress(button)) << button;
    }
    for (int hat : {2, -1}) {
        EXPECT_FALSE(stick.HatDown(hat, 0)) << hat;
        EXPECT_FALSE(stick.HatPress(hat, SDL_HAT_DOWN)) << hat;
    }
    // Idle reads only an opened device: hand-fed samples stay.
    stick.Idle();
    EXPECT_TRUE(stick.ButtonDown(3));
}

TEST(JoyStickDevice, ClosedStickHasNoInputsAndMissingDevicesDoNotOpen)
{
    HeadlessGame game; // SDL's joystick subsystem, with no devices
    JoyStick stick;
    EXPECT_EQ(stick.index, -1);
    EXPECT_FALSE(stick.ButtonDown(0));
    EXPECT_FALSE(stick.HatDown(0, 0));
    EXPECT_FALSE(stick.Open(SDL_NumJoysticks()));
    EXPECT_FALSE(stick.Open(-1));
    EXPECT_EQ(stick.handle, nullptr);
    stick.Idle();
    EXPECT_TRUE(stick.Close());
    EXPECT_EQ(stick.numButtons, -1);
}

} // namespace
