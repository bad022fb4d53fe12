// Tests of the options screen: the rows read from config, focus movement, saving, cancelling.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "config/ConfigReader.h"
#include "framework/VideoModeChoice.h"
#include "menus/KeyConfigScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/OptionScene.h"
#include "menus/TestSongs.h"
#include "widgets/SpriteImage.h"
#include "widgets/StringSelector.h"

namespace {

class OptionSceneTest : public MenuTest
{
protected:
    OptionScene *Open() { return driver.Open<OptionScene>(); }
    // Moves the focus to a row with down presses.
    void FocusOn(OptionScene *scene, int row)
    {
        for (int i = 0; i < 20 && scene->GetFocus() != row; i++) {
            driver.Send(kDown);
        }
        ASSERT_EQ(scene->GetFocus(), row);
    }
};

TEST_F(OptionSceneTest, RowsStartAtTheStoredValues)
{
    ASSERT_TRUE(WriteTestFile("config", "speed 100\nkeynum 6\nAutoPlay 0\nshowkey 0\n"
                                        "videomode 1\nfullscreen 0\nscrollmode 1\n"));
    OptionScene *scene = Open();
    EXPECT_EQ(scene->GetRow(OptionScene::kSpeed)->GetSelect(), 9);
    EXPECT_EQ(scene->GetRow(OptionScene::kScroll)->GetSelect(), 1);
    EXPECT_EQ(scene->GetRow(OptionScene::kScroll)->GetSize(), 2);
    EXPECT_EQ(scene->GetRow(OptionScene::kKeyNum)->GetSelect(), 5);
    EXPECT_EQ(scene->GetRow(OptionScene::kAutoPlay)->GetSelect(), 0);
    EXPECT_EQ(scene->GetRow(OptionScene::kShowKey)->GetSelect(), 0);
    EXPECT_EQ(scene->GetRow(OptionScene::kWindowSize)->GetSelect(), 1);
    EXPECT_EQ(scene->GetRow(OptionScene::kSpeed)->GetSize(), 19);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kWindowSize);
    EXPECT_TRUE(scene->GetRow(OptionScene::kWindowSize)->visible);
    EXPECT_FALSE(scene->GetRow(OptionScene::kFullSize)->visible);
    // Only the focused row is bright and takes left and right.
    EXPECT_TRUE(scene->GetRow(OptionScene::kWindowSize)->active);
    EXPECT_FALSE(scene->GetRow(OptionScene::kSpeed)->active);
    // Rows a quarter in from the left, half the width wide, at row fifteenths of the height
    // (the two size rows share the first place), laid out again for a new window: 500 x row / 15,
    // a height that fifteenths do not divide, so the rounding is seen.
    ASSERT_NE(game.Manager().CreateWindow(640, 500, 32, 0), nullptr);
    const int tops[] = {33, 33, 66, 100, 133, 166, 200, 233, 266, 300, 333, 366, 400, 433};
    ASSERT_EQ(std::size(tops), size_t(OptionScene::kRowCount));
    for (int row = 0; row < OptionScene::kRowCount; row++) {
        const SDL_Rect rect = scene->GetRow(row)->rect;
        EXPECT_EQ(rect.y, tops[row]) << row;
        EXPECT_EQ(rect.x, 160);
        EXPECT_EQ(rect.w, 320);
    }
}

TEST_F(OptionSceneTest, RowsShowTheValuesInEffectAlsoForStoredValuesOutOfRange)
{
    // As the game plays them: 190 %, 4 keys, Auto Play, key names, the built-in synthesizer,
    // and the window that start-up opened (800 x 600 here), whatever "videomode" says.
    ASSERT_TRUE(WriteTestFile("config", "speed 200\nkeynum 99\nvideomode 7\ndevid 42\n"
                                        "AutoPlay -7\nshowkey 2\nfullscreen 1\nscrollmode 7\n"));
    OptionScene *scene = Open();
    EXPECT_EQ(scene->GetRow(OptionScene::kScroll)->GetSelect(), 0) << "follows the tempo";
    EXPECT_EQ(scene->GetRow(OptionScene::kSpeed)->GetSelect(), 18);
    EXPECT_EQ(scene->GetRow(OptionScene::kKeyNum)->GetSelect(), 3);
    EXPECT_EQ(scene->GetRow(OptionScene::kAutoPlay)->GetSelect(), 1);
    EXPECT_EQ(scene->GetRow(OptionScene::kShowKey)->GetSelect(), 1);
    EXPECT_EQ(scene->GetRow(OptionScene::kDevice)->GetSelect(), 0);
    EXPECT_EQ(scene->GetRow(OptionScene::kScreenMode)->GetSelect(), 0) << "a window is open";
    ASSERT_EQ(scene->GetRow(OptionScene::kWindowSize)->GetSize(), 6) << "the fixed sizes";
    EXPECT_EQ(scene->GetRow(OptionScene::kWindowSize)->GetSelect(), 1) << "800 x 600";

    // No videomode at all; saving only another speed keeps the window as it is.
    ASSERT_TRUE(WriteTestFile("config", "speed 0\n"));
    scene = Open();
    EXPECT_EQ(scene->GetRow(OptionScene::kSpeed)->GetSelect(), 0) << "speed 0 plays at 10 %";
    FocusOn(scene, OptionScene::kSpeed);
    driver.Send(kRight);
    ASSERT_TRUE(scene->Save());
    EXPECT_EQ(ReadTestFile("config"), "AutoPlay 1\ndevid 0\nfullscreen 0\nkeynum 4\nmididev 0\n"
                                      "scrollmode 0\nshowkey 1\nspeed 20\nvideomode 1\n");
    // The scroll row, one step right: the constant speed.
    scene = Open();
    FocusOn(scene, OptionScene::kScroll);
    driver.Send(kRight);
    ASSERT_TRUE(scene->Save());
    EXPECT_NE(ReadTestFile("config").find("scrollmode 1\n"), std::string::npos);
    EXPECT_EQ(game.Manager().GetWidth(), 800);

    // A speed between two steps shows as the step the game plays it at.
    ASSERT_TRUE(WriteTestFile("config", "speed 135\n"));
    EXPECT_EQ(Open()->GetRow(OptionScene::kSpeed)->GetSelect(), 12) << "130 %";
}

TEST_F(OptionSceneTest, AScreenSizeNoEntryNamesIsOfferedAndStoredBySize)
{
    HeadlessGame odd(700, 500);
    ASSERT_TRUE(odd.Ready());
    OptionScene *scene = MenuDriver(odd).Open<OptionScene>();
    StringSelector *sizes = scene->GetRow(OptionScene::kWindowSize);
    EXPECT_EQ(sizes->GetSize(), 7);
    EXPECT_EQ(sizes->GetSelect(), 6);
    ASSERT_TRUE(scene->Save());
    const std::string saved = ReadTestFile("config");
    EXPECT_NE(saved.find("videomode -1\nwidth 700\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("height 500\n"), std::string::npos) << saved;
    EXPECT_EQ(odd.Manager().GetWidth(), 700);
}

TEST_F(OptionSceneTest, AWideWindowChosenHereOpensAtThatSizeNextTime)
{
    // The row offers today's wide sizes after the old three; the one saved is the one that
    // start-up opens (through the same size table).
    OptionScene *scene = Open();
    FocusOn(scene, OptionScene::kWindowSize);
    StringSelector *sizes = scene->GetRow(OptionScene::kWindowSize);
    while (sizes->GetSelect() != 5) {
        driver.Send(kRight);
    }
    ASSERT_TRUE(scene->Save());
    ConfigReader config;
    config.ReadFile("config");
    VideoSettings settings;
    settings.videoMode = config.GetInteger("videomode", -1);
    const VideoModeChoice choice = VideoModeChoice::Choose(
        settings, {}, false, [](int, int, int bpp, unsigned int) { return bpp; }, 32);
    EXPECT_EQ(choice.width, 1920);
    EXPECT_EQ(choice.height, 1080);
}

TEST_F(OptionSceneTest, AFailedSaveIsToldAndTheScreenStaysUntilASaveWorks)
{
    // A folder in the way of "config": it can be neither read nor replaced.
    ASSERT_TRUE(std::filesystem::create_directories("config/blocker"));
    OptionScene *scene = Open();
    driver.Send(kUp); // the last row, "save"
    driver.Send(kOk);
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), scene) << "the screen stays";
    EXPECT_EQ(scene->GetNotice(),
              "Cannot read settings in config: is a folder, not a file; defaults in use");

    std::filesystem::remove_all("config");
    driver.Send(kOk);
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), nullptr);
    EXPECT_NE(ReadTestFile("config").find("keynum 4\n"), std::string::npos);
}

TEST_F(OptionSceneTest, TheFocusWrapsAndSkipsTheHiddenSizeRow)
{
    OptionScene *scene = Open();
    driver.Send(kUp);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kSaveCancel);
    driver.Send(kDown);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kWindowSize);
    driver.Send(kDown);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kScreenMode);

    // Full screen: the full-screen sizes take the line and the focus stays.
    driver.Send(kRight);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kScreenMode);
    EXPECT_FALSE(scene->GetRow(OptionScene::kWindowSize)->visible);
    EXPECT_TRUE(scene->GetRow(OptionScene::kFullSize)->visible);
    driver.Send(kUp);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kFullSize);
    driver.Send(kUp);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kSaveCancel);
    driver.Send(kDown);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kFullSize);
    driver.Send(kDown);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kScreenMode);
    driver.Send(kLeft);
    EXPECT_TRUE(scene->GetRow(OptionScene::kWindowSize)->visible);

    // Ok on an ordinary row only jumps to the last row.
    FocusOn(scene, OptionScene::kAutoPlay);
    const int autoPlay = scene->GetRow(OptionScene::kAutoPlay)->GetSelect();
    driver.Send(kOk);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kSaveCancel);
    EXPECT_EQ(scene->GetRow(OptionScene::kAutoPlay)->GetSelect(), autoPlay);
    EXPECT_TRUE(scene->GetRow(OptionScene::kSaveCancel)->active);
    EXPECT_FALSE(scene->GetRow(OptionScene::kAutoPlay)->active);
}

TEST_F(OptionSceneTest, SaveWritesEveryRowSortedAndKeepsOtherKeys)
{
    ASSERT_TRUE(WriteTestFile("config", "speed 100\nkey0 A\nvideomode 1\n"));
    OptionScene *scene = Open();
    FocusOn(scene, OptionScene::kKeyNum);
    driver.Send(kRight);
    driver.Send(kRight); // キー数:6
    FocusOn(scene, OptionScene::kSpeed);
    for (int i = 0; i < 30; i++) {
        driver.Send(kRight);
    }
    EXPECT_EQ(scene->GetRow(OptionScene::kSpeed)->GetSelect(), 18); // Speed:190 %
    FocusOn(scene, OptionScene::kAutoPlay);
    driver.Send(kLeft); // Self Play
    driver.Send(kOk);   // to the last row, "save" chosen
    driver.Send(kOk);
    EXPECT_EQ(ReadTestFile("config"),
              "AutoPlay 0\ndevid 0\nfullscreen 0\nkey0 A\nkeynum 6\n"
              "mididev 0\nscrollmode 0\nshowkey 1\nspeed 190\nvideomode 1\n");
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), nullptr) << "the screen closed";
}

TEST_F(OptionSceneTest, SavingTheFirstSpeedWritesTenAndAnotherSizeResizesTheWindow)
{
    OptionScene *scene = Open();
    ASSERT_EQ(scene->GetRow(OptionScene::kWindowSize)->GetSize(), 6) << "the fixed sizes";
    driver.Send(kLeft); // 1024 x 720
    FocusOn(scene, OptionScene::kSpeed);
    for (int i = 0; i < 30; i++) {
        driver.Send(kLeft);
    }
    scene->Save();
    const std::string saved = ReadTestFile("config");
    EXPECT_NE(saved.find("speed 10\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("videomode 0\n"), std::string::npos) << saved;
    scene->GetRow(OptionScene::kWindowSize)->SetSelect(2);
    scene->Save();
    EXPECT_EQ(game.Manager().GetWidth(), 640);
    EXPECT_EQ(game.Manager().GetHeight(), 480);
    driver.Steps(20); // the rows were rendered again for the new screen
}

TEST_F(OptionSceneTest, CancelAndOkOnCancelLeaveConfigUntouched)
{
    const std::string before = "speed 120\nzz unknown\n";
    ASSERT_TRUE(WriteTestFile("config", before));
    Open();
    driver.Send(kRight);
    driver.Send(kCancel);
    driver.Steps(2);
    EXPECT_EQ(ReadTestFile("config"), before);
    EXPECT_EQ(TopScene(game), nullptr);

    OptionScene *scene = Open();
    driver.Send(kUp); // the last row
    driver.Send(kRight);
    EXPECT_EQ(scene->GetRow(OptionScene::kSaveCancel)->GetSelect(), 1);
    driver.Send(kOk);
    driver.Send(kOk); // a second confirmation in the same frame is ignored
    driver.Steps(2);
    EXPECT_EQ(ReadTestFile("config"), before);
    EXPECT_EQ(TopScene(game), nullptr);
}

TEST_F(OptionSceneTest, KeyConfigOpensOnTopAndTheOptionsComeBack)
{
    OptionScene *scene = Open();
    FocusOn(scene, OptionScene::kKeyConfig);
    driver.Send(kOk);
    EXPECT_FALSE(scene->visible);
    driver.Steps(2);
    ASSERT_NE(dynamic_cast<KeyConfigScene *>(TopScene(game)), nullptr);
    driver.Send(kCancel);
    driver.Steps(2);
    EXPECT_EQ(TopScene(game), scene);
    EXPECT_TRUE(scene->visible);
    EXPECT_EQ(scene->GetFocus(), OptionScene::kKeyConfig);
}

} // namespace

namespace {

// The play row explains "Auto Play" and "Self Play" in one help line while it has the focus,
// within the screen's width in both languages.
TEST_F(OptionSceneTest, ThePlayRowExplainsAutoAndSelfPlay)
{
    for (const char *language : {"language en\n", "language ja\n"}) {
        ASSERT_TRUE(WriteTestFile("config", language));
        OptionScene *scene = Open();
        SpriteImage *help = scene->GetAutoPlayHelp();
        ASSERT_NE(help, nullptr);
        EXPECT_FALSE(help->visible);
        FocusOn(scene, OptionScene::kAutoPlay);
        EXPECT_TRUE(help->visible);
        ASSERT_NE(help->surface, nullptr);
        SDL_Rect at;
        help->GetPosition(at);
        EXPECT_LE(at.x + help->sourceRect.w, game.Manager().GetWidth()) << language;
        EXPECT_LE(at.y + help->sourceRect.h, game.Manager().GetHeight()) << language;
        driver.Send(kDown);
        EXPECT_FALSE(help->visible);
        driver.Send(kCancel);
        driver.Steps(3);
    }
}

} // namespace
