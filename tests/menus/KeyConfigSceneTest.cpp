// Tests of the key configuration: defaults, cursor, capturing bindings, saving and applying.
#include <gtest/gtest.h>

#include <set>

#include "framework/KeyMapper.h"
#include "game/ScreenPixels.h"
#include "menus/KeyConfigScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/TestSongs.h"
#include "support/ScreenLayout.h"

namespace {

class KeyConfigSceneTest : public MenuTest
{
protected:
    KeyConfigScene *Open() { return driver.Open<KeyConfigScene>(); }
    std::string Name(const KeyAssign &binding) { return mapper.GetName(binding); }
    // A raw event delivered by the next event poll.
    void Push(SDL_Event event) { SDL_PushEvent(&event); }
    // Binds lanes 0-11 to A-L (12 more lines in config), then chooses Save.
    void BindEveryLaneAndSave(KeyConfigScene *scene)
    {
        for (int row = 0; row < 12; row++) {
            driver.Send(kOk);
            Push(KeyDownEvent(static_cast<SDLKey>(SDLK_a + row)));
            driver.Steps(5);
            driver.Send(kDown);
        }
        while (scene->GetCursor() != KeyConfigScene::kSaveItem) {
            driver.Send(kDown);
        }
        driver.Send(kOk);
    }

    KeyMapper mapper;
};

TEST_F(KeyConfigSceneTest, RowsShowTheInputsInEffect)
{
    // Lanes: the default layout of the configured number of lanes, none beyond it; the menu
    // rows: their fixed keys, which work whatever the configuration says.
    ASSERT_TRUE(WriteTestFile("config", "keynum 6\nkey4 Unknown\nup W\n"));
    KeyConfigScene *scene = Open();
    const char *lanes[] = {"S", "D", "F", "J", "K", "L"};
    for (int row = 0; row < 6; row++) {
        EXPECT_EQ(Name(scene->InEffect(row)), lanes[row]) << row;
    }
    for (int row = 6; row < 12; row++) {
        EXPECT_EQ(scene->InEffect(row).code, 0) << row;
    }
    KeyAssign left;
    left.AssignKey(SDLK_LEFT);
    EXPECT_EQ(scene->InEffect(12), left);
    EXPECT_EQ(Name(scene->InEffect(14)), "W");
    KeyAssign escape;
    escape.AssignKey(SDLK_ESCAPE);
    EXPECT_EQ(scene->InEffect(17), escape);
    EXPECT_EQ(scene->GetNotice(), "");
    EXPECT_EQ(KeyConfigScene::RowLabel(0), "Lane 1");
    EXPECT_EQ(KeyConfigScene::RowLabel(11), "Lane 12");
    EXPECT_EQ(KeyConfigScene::RowKey(11), "key11");
    EXPECT_EQ(KeyConfigScene::RowKey(17), "cancel");
}

TEST_F(KeyConfigSceneTest, AnInputOnTwoRowsIsToldUntilOneOfThemChanges)
{
    KeyConfigScene *scene = Open(); // lanes D F J K
    driver.Send(kDown);
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_d)); // lane 2 takes lane 1's key
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "D is bound to both Lane 1 and Lane 2");
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_RETURN)); // the fixed ok key
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "Return is bound to both Lane 2 and OK");
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_g));
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "");
}

TEST_F(KeyConfigSceneTest, TheCursorWrapsOverTheRowsAndSave)
{
    KeyConfigScene *scene = Open();
    driver.Send(kUp);
    EXPECT_EQ(scene->GetCursor(), KeyConfigScene::kSaveItem);
    driver.Send(kDown);
    EXPECT_EQ(scene->GetCursor(), 0);
    driver.Send(kOk);
    EXPECT_TRUE(scene->IsWaiting());
    driver.Send(kDown); // menu events still act while waiting
    EXPECT_EQ(scene->GetCursor(), 1);
    // The row waiting for a press blinks: shown half of each tenth of a second, gone the other.
    SDL_Surface *screen = game.Manager().GetScreen();
    const int w = game.Manager().GetWidth(), h = game.Manager().GetHeight();
    std::set<bool> shown;
    for (int i = 0; i < 4; i++) {
        driver.Steps(25);
        SDL_FillRect(screen, nullptr, 0);
        game.Manager().Draw(screen);
        shown.insert(LitIn(screen, w / 2, 2 * (h / 20), w / 2, h / 20) > 0);
    }
    EXPECT_EQ(shown, (std::set<bool>{false, true}));
}

TEST_F(KeyConfigSceneTest, APressIsBoundSavedByNameAndTheMenuKeysApplyAtOnce)
{
    ASSERT_TRUE(WriteTestFile("config", "speed 130\nkey0 Z\n"));
    KeyConfigScene *scene = Open();
    EXPECT_EQ(Name(scene->GetBinding(0)), "Z");
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_a));
    driver.Step();
    EXPECT_FALSE(scene->IsWaiting());
    EXPECT_EQ(Name(scene->GetBinding(0)), "A");
    EXPECT_EQ(scene->GetCursor(), 0) << "the cursor does not move by itself";
    driver.Steps(5);

    for (int i = 0; i < 12; i++) {
        driver.Send(kDown);
    }
    ASSERT_EQ(scene->GetCursor(), 12); // left, then up and down two and three rows on
    for (SDLKey key : {SDLK_q, SDLK_UNKNOWN, SDLK_w, SDLK_s}) {
        if (key != SDLK_UNKNOWN) {
            driver.Send(kOk);
            Push(KeyDownEvent(key));
            driver.Steps(5);
        }
        driver.Send(kDown);
    }
    driver.Send(kDown);
    driver.Send(kDown);
    ASSERT_EQ(scene->GetCursor(), KeyConfigScene::kSaveItem);
    driver.Send(kOk);

    const std::string saved = ReadTestFile("config");
    // Only the rows bound here are written; the others keep following their defaults.
    EXPECT_EQ(saved, "down S\nkey0 A\nleft Q\nspeed 130\nup W\n");
    for (SDLKey key : {SDLK_q, SDLK_w, SDLK_s}) {
        game.HoldKey(key, true);
        EXPECT_EQ(game.Manager().IsLeft(), key == SDLK_q);
        EXPECT_EQ(game.Manager().IsUp(), key == SDLK_w);
        EXPECT_EQ(game.Manager().IsDown(), key == SDLK_s);
        game.HoldKey(key, false);
    }
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), nullptr);
}

TEST_F(KeyConfigSceneTest, ASaveThatWouldPassTheSizeLimitLeavesOutUnknownKeysAndSaysSo)
{
    std::string config = "speed 130\n";
    for (int i = 0; config.size() + 40 < 1048566; ++i) {
        config += "mystery" + std::to_string(i) + " 0123456789012345678901234\n";
    }
    config += std::string(1048566 - config.size() - 3, 'z') + " 1\n";
    ASSERT_TRUE(WriteTestFile("config", config));
    KeyConfigScene *scene = Open();
    BindEveryLaneAndSave(scene);
    EXPECT_NE(scene->GetNotice().find("without"), std::string::npos) << scene->GetNotice();
    EXPECT_NE(scene->GetNotice().find("mystery0"), std::string::npos);
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), scene) << "the screen stays until the player has read it";
    const std::string saved = ReadTestFile("config");
    EXPECT_LE(saved.size(), 1048576u);
    EXPECT_NE(saved.find("key0 A\nkey1 B\n"), std::string::npos);
    EXPECT_NE(saved.find("speed 130\n"), std::string::npos);
    driver.Send(kOk); // saved again, now within the limit: the screen closes
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), nullptr);
}

// One unknown entry too large to keep, with a key of nearly a megabyte: said like many, in a
// line the screen shows.
TEST_F(KeyConfigSceneTest, ASingleOversizedUnknownEntryLeftOutIsSaidOnScreen)
{
    const std::string config = "speed 130\n" + std::string(1048566 - 13, 'z') + " 1\n";
    ASSERT_TRUE(WriteTestFile("config", config));
    KeyConfigScene *scene = Open();
    BindEveryLaneAndSave(scene);
    driver.Steps(2);
    EXPECT_NE(scene->GetNotice().find("zzz..."), std::string::npos) << scene->GetNotice();
    EXPECT_FALSE(ScreenLayout::Draw(game.Manager()).Find("without an entry").empty())
        << "the notice is not on the screen";
    EXPECT_EQ(ReadTestFile("config").find("zzz"), std::string::npos);
}

// Escape while a row waits gives up the binding: the row keeps its input and the screen stays
// (the cancel event of the same press does not close it); a later Escape leaves unsaved.
TEST_F(KeyConfigSceneTest, EscapeCancelsAPendingBindingAndKeepsTheScreen)
{
    KeyConfigScene *scene = Open();
    driver.Send(kDown);
    driver.Send(kOk);
    ASSERT_TRUE(scene->IsWaiting());
    // The key goes down during the event poll: first its raw event...
    Push(KeyDownEvent(SDLK_ESCAPE));
    driver.Step();
    EXPECT_FALSE(scene->IsWaiting());
    EXPECT_EQ(Name(scene->GetBinding(1)), "F");
    // ... then, one iteration later, the same press sends the menu event cancel.
    game.HoldKey(SDLK_ESCAPE, true);
    driver.Steps(30);
    game.HoldKey(SDLK_ESCAPE, false);
    driver.Steps(5);
    ASSERT_EQ(TopScene(game), scene);

    // Once released, Escape cancels as usual; nothing was written.
    driver.Press(SDLK_ESCAPE);
    EXPECT_EQ(TopScene(game), nullptr);
    EXPECT_TRUE(ReadTestFile("config").empty());
}

// A lane in use on P (or the "pause" input) or on Escape is warned of: that key also pauses or
// leaves the game. Backspace puts every row back to its default, and the save then removes the
// stored bindings, so the lanes follow the number of lanes again.
TEST_F(KeyConfigSceneTest, PlayConflictsAreWarnedOfAndBackspaceRestoresTheDefaults)
{
    ASSERT_TRUE(
        WriteTestFile("config", "keynum 6\nkey3 Esc\npause Q\nup W\ncancel X\nspeed 130\n"));
    KeyConfigScene *scene = Open();
    EXPECT_EQ(scene->GetNotice(), "Esc on Lane 4 also leaves the game");
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_p)); // lane 1 on P
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "P on Lane 1 also pauses the game");
    driver.Send(kDown);
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_q)); // lane 2 on the pause input
    driver.Steps(5);
    driver.Send(kUp);
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_a)); // lane 1 off P: lane 2 is still on the pause input
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "Q on Lane 2 also pauses the game");

    Push(KeyDownEvent(SDLK_BACKSPACE));
    driver.Steps(5);
    EXPECT_EQ(scene->GetNotice(), "");
    const char *lanes[] = {"S", "D", "F", "J", "K", "L"};
    for (int row = 0; row < 6; row++) {
        EXPECT_EQ(Name(scene->InEffect(row)), lanes[row]) << row;
    }
    KeyAssign up;
    up.AssignKey(SDLK_UP);
    EXPECT_EQ(scene->InEffect(14), up);
    driver.Send(kDown); // lane 2 on G after the reset: saved; everything else removed
    driver.Send(kOk);
    Push(KeyDownEvent(SDLK_g));
    driver.Steps(5);
    EXPECT_TRUE(scene->Save());
    EXPECT_EQ(ReadTestFile("config"), "key1 G\nkeynum 6\npause Q\nspeed 130\n");
}

TEST_F(KeyConfigSceneTest, JoystickButtonsAndHatPressesAreBoundAsDelivered)
{
    KeyConfigScene *scene = Open();
    driver.Send(kOk);
    // A hat let go (back to the centre, as after a hat press that confirmed the row) is no
    // press: the row keeps waiting.
    SDL_Event hat{};
    hat.type = SDL_JOYHATMOTION;
    hat.jhat.which = 0;
    hat.jhat.hat = 1;
    hat.jhat.value = SDL_HAT_CENTERED;
    Push(hat);
    driver.Step();
    EXPECT_TRUE(scene->IsWaiting());
    EXPECT_EQ(Name(scene->GetBinding(0)), "D");
    hat.jhat.value = SDL_HAT_LEFTUP;
    Push(hat);
    driver.Step();
    EXPECT_FALSE(scene->IsWaiting());
    EXPECT_EQ(Name(scene->GetBinding(0)), "Joy0_Hat1LeftUP");

    driver.Steps(5);
    driver.Send(kDown);
    driver.Send(kOk);
    SDL_Event button{};
    button.type = SDL_JOYBUTTONDOWN;
    button.jbutton.which = 1;
    button.jbutton.button = 7;
    Push(button);
    driver.Step();
    EXPECT_EQ(Name(scene->GetBinding(1)), "joy1_button7");

    // Raw input while not waiting binds nothing.
    driver.Steps(5);
    Push(KeyDownEvent(SDLK_x));
    driver.Step();
    EXPECT_EQ(Name(scene->GetBinding(1)), "joy1_button7");
}

} // namespace
