// Tests of the title menu: menu key bindings from config, the song list, the three entries.
#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <cstdlib>

#include "content/StringSelector.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/OptionScene.h"
#include "menus/SelectScene.h"
#include "menus/TestSongs.h"
#include "midi/MidiContainer.h"
#include "midi/MidiImage.h"
#include "midi/MidiSelector.h"

namespace {

class MenuSceneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        EmptySongFolder();
    }
    // Adds the title menu and lets its Init run.
    MenuScene *Start()
    {
        MenuScene *menu = new MenuScene(&game.Manager());
        game.Manager().AddScene(menu, nullptr);
        driver.Steps(2);
        return menu;
    }

    HeadlessGame game;
    MenuDriver driver{game};
};

TEST_F(MenuSceneTest, MenuKeysComeFromConfigWithTheFixedKeysAsDefaults)
{
    ASSERT_TRUE(WriteTestFile("config", "left Z\nok joy0_button2\n"));
    MenuScene menu(&game.Manager());
    game.HoldKey(SDLK_z, true);
    EXPECT_TRUE(game.Manager().IsLeft());
    game.HoldKey(SDLK_z, false);
    // Keys without a configured name stay on their fixed keys only.
    game.HoldKey(SDLK_a, true);
    EXPECT_FALSE(game.Manager().IsRight());
    game.HoldKey(SDLK_a, false);
    game.HoldKey(SDLK_RETURN, true);
    EXPECT_TRUE(game.Manager().IsOk());
    game.HoldKey(SDLK_RETURN, false);
}

TEST_F(MenuSceneTest, SongsAreListedInNameOrderWhateverTheCaseOfTheirEnding)
{
    const std::string song = MakeTestSong({{0, 60, 0, 240}});
    ASSERT_TRUE(WriteTestFile("data/b.MID", song));
    ASSERT_TRUE(WriteTestFile("data/a.mid", song));
    ASSERT_TRUE(WriteTestFile("data/c.mid.score", "x 1\n"));
    ASSERT_TRUE(WriteTestFile("data/notes.txt", "x"));
    MenuScene *menu = Start();
    ASSERT_EQ(menu->GetSongs().size(), 2u);
    EXPECT_EQ(menu->GetSongs()[0]->name, "a.mid");
    EXPECT_EQ(menu->GetSongs()[1]->name, "b.MID");
}

TEST_F(MenuSceneTest, GameWithoutSongsStaysOnTheMenu)
{
    MenuScene *menu = Start();
    EXPECT_TRUE(menu->GetSongs().empty());
    driver.Press(SDLK_RETURN);
    EXPECT_EQ(game.Manager().GetScenes().size(), 1u);
    EXPECT_TRUE(menu->visible);
}

TEST_F(MenuSceneTest, EntriesOpenTheSongSelectionAndTheOptionsAndExit)
{
    ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
    MenuScene *menu = Start();

    driver.Press(SDLK_RETURN);
    ASSERT_NE(dynamic_cast<SelectScene *>(TopScene(game)), nullptr);
    EXPECT_FALSE(menu->visible);
    driver.Press(SDLK_ESCAPE); // back from the song selection
    EXPECT_EQ(TopScene(game), menu);
    EXPECT_TRUE(menu->visible);

    driver.Press(SDLK_RIGHT);
    EXPECT_EQ(menu->GetSelect(), 1);
    driver.Press(SDLK_RETURN);
    ASSERT_NE(dynamic_cast<OptionScene *>(TopScene(game)), nullptr);
    driver.Press(SDLK_ESCAPE);
    EXPECT_EQ(TopScene(game), menu);

    driver.Press(SDLK_RIGHT);
    driver.Press(SDLK_RIGHT); // stays on "Exit"
    EXPECT_EQ(menu->GetSelect(), 2);
    EXPECT_TRUE(game.Manager().IsRunning());
    driver.Press(SDLK_RETURN);
    EXPECT_FALSE(game.Manager().IsRunning());
}

TEST_F(MenuSceneTest, ReloadAfterAScreenChangeKeepsTheChosenEntry)
{
    ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
    MenuScene *menu = Start();
    driver.Press(SDLK_RIGHT);
    ASSERT_NE(game.Manager().CreateWindow(640, 480, 32, 0), nullptr);
    EXPECT_EQ(menu->GetSelect(), 1);
    driver.Steps(20);
    driver.Press(SDLK_LEFT);
    driver.Press(SDLK_RETURN); // the song cards are built on the new screen
    SelectScene *select = dynamic_cast<SelectScene *>(TopScene(game));
    ASSERT_NE(select, nullptr);
    driver.Steps(100);
    ASSERT_NE(select->GetSelector()->GetSelectedCard()->surface, nullptr);
}

// No usable sound device: the game starts all the same, muted, and the title menu says why.
TEST(MenuSceneAudioTest, WithoutASoundDeviceTheGameStartsMutedAndSaysSo)
{
    {
        HeadlessGame game; // the test environment's silent driver opens
        ASSERT_TRUE(game.Ready());
        EXPECT_EQ(game.Manager().GetAudioProblem(), "");
    }
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    HeadlessGame game;
    ASSERT_TRUE(game.Ready()) << "start-up went on without sound";
    EXPECT_NE(game.Manager().GetAudioProblem().find("cannot open the audio device"),
              std::string::npos);
    EXPECT_STREQ(getenv("SDL_AUDIODRIVER"), "dummy");
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    EXPECT_NE(Mix_QuerySpec(&frequency, &format, &channels), 0) << "the mixer is open";

    MenuDriver driver{game};
    MenuScene *menu = new MenuScene(&game.Manager());
    game.Manager().AddScene(menu, nullptr);
    driver.Steps(2);
    EXPECT_EQ(menu->GetAudioNotice().rfind("No sound: cannot open the audio device", 0), 0u)
        << menu->GetAudioNotice();
}

} // namespace
