// Tests of the title menu: menu key bindings from config, the song list, the three entries.
#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "content/ContentsManager.h"
#include "framework/LanguageChoice.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "menus/OptionScene.h"
#include "menus/SelectScene.h"
#include "menus/TestSongs.h"
#include "song/MidiContainer.h"
#include "song/PartNames.h"
#include "widgets/NoticeText.h"
#include "widgets/SpriteImage.h"
#include "widgets/StringSelector.h"

namespace {

class MenuSceneTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        EmptySongFolder();
    }
    MenuScene *Start() { return driver.Open<MenuScene>(); }
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

TEST_F(MenuSceneTest, ASettingsFileThatCannotBeReadIsToldAndTheOptionsDoNotSaveOverIt)
{
    std::filesystem::remove("config");
    ASSERT_EQ(::mkfifo("config", 0600), 0);
    MenuScene *menu = Start();
    const std::string told =
        "Cannot read settings in config: not a regular file, not read; defaults in use";
    EXPECT_EQ(menu->GetSettingsNotice(), told);

    driver.Press(SDLK_RIGHT);
    driver.Press(SDLK_RETURN);
    OptionScene *options = dynamic_cast<OptionScene *>(TopScene(game));
    ASSERT_NE(options, nullptr);
    driver.Send(kUp); // the last row, "save"
    driver.Send(kOk);
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), options) << "the screen stays";
    EXPECT_EQ(options->GetNotice(), told);
    struct stat info;
    ASSERT_EQ(::lstat("config", &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "not replaced";

    // Put right while the game runs: the title menu stops telling.
    std::filesystem::remove("config");
    ASSERT_TRUE(WriteTestFile("config", "keynum 4\n"));
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    EXPECT_EQ(menu->GetSettingsNotice(), "");
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

TEST_F(MenuSceneTest, LanguageChosenInTheOptionsIsSavedAndRewritesTheTitleAndPartNames)
{
    // The locale says nothing: without the setting the game is in English.
    const char *before = std::getenv("LC_ALL");
    const std::string saved = before != nullptr ? before : "";
    setenv("LC_ALL", "C", 1);
    ASSERT_EQ(LanguageChoice::Apply(""), "en");
    ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
    ASSERT_TRUE(WriteTestFile("config", "videomode 1\n"));
    MenuScene *menu = Start();
    ContentsManager *contents = game.Manager().GetContentsManager();
    EXPECT_EQ(menu->GetLanguageNotice()->GetText(), "");
    const ImageSet *names = menu->GetSongs()[0]->instrumentImages;
    const int standardKit = PartNameIndex(kDrumChannel, 0);
    EXPECT_EQ(names[0].surface, contents->GetString("Acoustic Grand Piano"));
    EXPECT_EQ(names[standardKit].surface, contents->GetString("Standard Kit"));

    // Options: the language row, two steps right (Japanese), ok, ok on "save".
    auto chooseLanguage = [&](int start, int entry) {
        driver.Press(SDLK_RETURN);
        OptionScene *options = dynamic_cast<OptionScene *>(TopScene(game));
        ASSERT_NE(options, nullptr);
        for (int i = 0; i < 20 && options->GetFocus() != OptionScene::kLanguage; i++) {
            driver.Send(kDown);
        }
        StringSelector *row = options->GetRow(OptionScene::kLanguage);
        EXPECT_EQ(row->GetSelect(), start) << "the row starts at the setting";
        while (row->GetSelect() != entry) {
            driver.Send(row->GetSelect() < entry ? kRight : kLeft);
        }
        driver.Send(kOk);
        driver.Send(kOk);
        driver.Steps(3);
        ASSERT_EQ(TopScene(game), menu);
    };
    driver.Press(SDLK_RIGHT); // "Option"
    chooseLanguage(0, 2);
    EXPECT_EQ(ReadTestFile("config"),
              "AutoPlay 1\ndevid 0\nfullscreen 0\nkeynum 4\n"
              "language ja\nmididev 0\nscrollmode 0\nshowkey 1\nspeed 100\nvideomode 1\n");
    EXPECT_EQ(LanguageChoice::Current(), "ja");
    EXPECT_EQ(
        names[0].surface,
        contents->GetString("\xE3\x82\xA2\xE3\x82\xB3\xE3\x83\xBC\xE3\x82\xB9\xE3\x83\x86\xE3"
                            "\x82\xA3\xE3\x83\x83\xE3\x82\xAF\xE3\x83\xBB\xE3\x82\xB0\xE3\x83\xA9"
                            "\xE3\x83\xB3\xE3\x83\x89\xE3\x83\xBB\xE3\x83\x94\xE3\x82\xA2\xE3\x83"
                            "\x8E")); // アコースティック・グランド・ピアノ
    EXPECT_EQ(menu->GetSelect(), 1) << "the title menu keeps its entry";

    // Back to the locale's choice: the setting goes away and the texts are English again.
    chooseLanguage(2, 0);
    EXPECT_EQ(ReadTestFile("config").find("language"), std::string::npos);
    EXPECT_EQ(LanguageChoice::Current(), "en");
    EXPECT_EQ(names[standardKit].surface, contents->GetString("Standard Kit"));

    // Japanese without its catalogue: English, and the title menu says why.
    ASSERT_EQ(LanguageChoice::Apply("ja", {"/nonexistent"}), "en");
    driver.Press(SDLK_RETURN);
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    ASSERT_NE(menu->GetLanguageNotice()->surface, nullptr);
    EXPECT_EQ(menu->GetLanguageNotice()->GetText(),
              "No Japanese texts found (keyrise.mo); showing English");

    if (before != nullptr) {
        setenv("LC_ALL", saved.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
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

    MenuScene *menu = MenuDriver(game).Open<MenuScene>();
    EXPECT_EQ(menu->GetAudioNotice().rfind("No sound: cannot open the audio device", 0), 0u)
        << menu->GetAudioNotice();
}

} // namespace
