// Tests of the manager's key edges, joystick queries and the six logical menu keys.
#include <gtest/gtest.h>

#include "framework/JoyStick.h"
#include "framework/KeyAssign.h"
#include "framework/ManagerTest.h"

namespace {

class SceneManagerInputTest : public ManagerTest
{
protected:
    RecordingObject *scene = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        scene = Listed("scene");
    }

    // User event codes the scene received, in order.
    std::vector<int> UserCodes()
    {
        std::vector<int> codes;
        for (const SDL_Event &event : scene->events) {
            if (event.type == SDL_USEREVENT) {
                codes.push_back(event.user.code);
            }
        }
        return codes;
    }

    // A joystick with 4 buttons and 1 hat appended to the manager, fed by hand.
    JoyStick *AddStick()
    {
        JoyStick *stick = new JoyStick();
        stick->Allocate(4, 1);
        M().GetInput().AddJoyStick(stick);
        return stick;
    }
};

TEST_F(SceneManagerInputTest, KeyEdgesLastOneIterationEach)
{
    struct Seen
    {
        bool down, pressed, released;
    };
    std::vector<Seen> seen;
    scene->onInput = [&](unsigned int) {
        seen.push_back({M().KeyDown(SDLK_a), M().KeyPressed(SDLK_a), M().KeyReleased(SDLK_a)});
    };
    game.Iterate(0);
    game.HoldKey(SDLK_a, true); // as if the poll of iteration 0 saw it go down
    game.Iterate(1);
    game.Iterate(2);
    game.Iterate(3);
    game.HoldKey(SDLK_a, false);
    game.Iterate(4);
    game.Iterate(5);
    ASSERT_EQ(seen.size(), 6u);
    bool down[] = {false, true, true, true, false, false};
    bool pressed[] = {false, true, false, false, false, false};
    bool released[] = {false, false, false, false, true, false};
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].down, down[i]) << i;
        EXPECT_EQ(seen[i].pressed, pressed[i]) << i;
        EXPECT_EQ(seen[i].released, released[i]) << i;
    }
    // Keys outside SDL's table never read as held.
    EXPECT_FALSE(M().KeyDown(-1));
    EXPECT_FALSE(M().KeyPressed(SDLK_LAST + 10));
}

// On a loaded machine a short tap can go down and up between two polls: SDL's key state then
// never shows it held, yet the player pressed once. A held key's repeats are not presses.
TEST_F(SceneManagerInputTest, ATapWithinOnePollIsOnePressAndRepeatsOfAHeldKeyAreNone)
{
    auto keyEvent = [](Uint8 type, SDLKey key) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    };
    std::vector<bool> pressed;
    scene->onInput = [&](unsigned int) { pressed.push_back(M().KeyPressed(SDLK_a)); };
    game.Iterate(0);
    keyEvent(SDL_KEYDOWN, SDLK_a); // down and up in the same poll: the state stays up
    keyEvent(SDL_KEYUP, SDLK_a);
    game.Iterate(1);
    game.Iterate(2);
    game.HoldKey(SDLK_a, true);
    game.Iterate(3);
    keyEvent(SDL_KEYDOWN, SDLK_a); // the key repeats while it is held
    game.Iterate(4);
    game.Iterate(5);
    // Events pushed before a turn are polled at its end and read in the next turn's Input.
    EXPECT_EQ(pressed, (std::vector<bool>{false, false, true, true, false, false}));

    // The menus see the tap too: one Down tap, one menu event.
    game.HoldKey(SDLK_a, false);
    game.Iterate(6);
    scene->events.clear();
    keyEvent(SDL_KEYDOWN, SDLK_DOWN);
    keyEvent(SDL_KEYUP, SDLK_DOWN);
    game.Iterate(7);
    game.Iterate(8);
    game.Iterate(9);
    EXPECT_EQ(UserCodes(), std::vector<int>{InputState::DOWN});
}

TEST_F(SceneManagerInputTest, MenuKeysSendOneUserEventPerPress)
{
    const SDLKey keys[] = {SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN, SDLK_RETURN, SDLK_ESCAPE};
    std::vector<bool> logical;
    scene->onInput = [&](unsigned int) {
        logical = {M().IsLeft(), M().IsRight(), M().IsUp(),
                   M().IsDown(), M().IsOk(),    M().IsCancel()};
    };
    // Ok is also bound to its own fixed key, cancel to space as well.
    KeyAssign returnKey, space;
    returnKey.AssignKey(SDLK_RETURN);
    space.AssignKey(SDLK_SPACE);
    M().SetOk(returnKey);
    M().SetCancel(space);
    Uint32 t = 0;
    game.Iterate(t++);
    for (int i = 0; i < 6; ++i) {
        game.HoldKey(keys[i], true);
        game.Iterate(t++); // pressed: the event is pushed and dispatched in this iteration
        for (int j = 0; j < 6; ++j) {
            EXPECT_EQ(logical[j], i == j) << i << " " << j;
        }
        game.Iterate(t++); // still held: no second event
        game.HoldKey(keys[i], false);
        game.Iterate(t++);
    }
    game.HoldKey(SDLK_SPACE, true);
    game.Iterate(t++);
    EXPECT_EQ(UserCodes(), (std::vector<int>{0, 1, 2, 3, 4, 5, 5}));
    EXPECT_EQ(scene->events.back().user.data1, nullptr);
}

TEST_F(SceneManagerInputTest, JoystickBindingsActOnlyWhenTheJoystickExists)
{
    KeyAssign button2;
    button2.AssignButton(0, 2);
    M().SetOk(button2);
    // No joystick: only Return confirms.
    game.Iterate(0);
    EXPECT_FALSE(M().IsOk());
    EXPECT_FALSE(M().ButtonDown(0, 2));
    EXPECT_FALSE(M().HatDown(0, 0, 0));

    JoyStick *stick = AddStick();
    Uint8 buttons[4] = {0, 0, 1, 0};
    Uint8 hats[1] = {SDL_HAT_LEFT};
    stick->Sample(buttons, hats);
    EXPECT_TRUE(M().ButtonDown(0, 2));
    EXPECT_TRUE(M().ButtonPress(0, 2));
    EXPECT_TRUE(M().HatDown(0, 0, SDL_HAT_LEFT));
    EXPECT_TRUE(M().HatPress(0, 0, SDL_HAT_LEFT));
    EXPECT_TRUE(M().AssignedKeyDown(button2));
    EXPECT_TRUE(M().IsOk());
    game.Iterate(1);
    EXPECT_EQ(UserCodes(), std::vector<int>{4});

    KeyAssign hatLeft;
    hatLeft.AssignHat(0, 0, SDL_HAT_LEFT);
    EXPECT_TRUE(M().AssignedKeyPress(hatLeft));
    M().SetLeft(hatLeft);
    EXPECT_TRUE(M().IsLeft());
    // Joystick numbers that name no joystick, negative ones included, read as nothing.
    EXPECT_FALSE(M().ButtonDown(1, 2));
    EXPECT_FALSE(M().ButtonDown(-1, 2));
    EXPECT_FALSE(M().HatPress(-1, 0, SDL_HAT_LEFT));
    KeyAssign strayHat;
    strayHat.AssignHat(-1, 0, SDL_HAT_LEFT);
    EXPECT_FALSE(M().AssignedKeyDown(strayHat));
}

TEST(SceneManagerInputNoLoop, QueriesBeforeTheLoopStartsReadNothing)
{
    SceneManager manager;
    EXPECT_FALSE(manager.KeyDown(SDLK_a));
    EXPECT_FALSE(manager.KeyPressed(SDLK_a));
    EXPECT_FALSE(manager.KeyReleased(SDLK_a));
    EXPECT_FALSE(manager.IsOk());
}

} // namespace
