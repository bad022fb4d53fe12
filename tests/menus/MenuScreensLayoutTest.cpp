// Tests of the layout of the title menu, the options, key configuration and timing screens: at
// every window size, in both languages, no text crosses another text, a picture (an arrow, the
// title) or the screen's edge.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "menus/KeyConfigScene.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/OptionScene.h"
#include "menus/TestSongs.h"
#include "menus/TimingScene.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"

namespace {

const std::vector<std::pair<int, int>> kSizes = {
    {640, 480}, {1024, 720}, {1280, 720}, {1920, 1080}};

// Every fault of the drawing now, and every text that crosses a picture (an arrow), as
// failures named 'where'; the drawing goes to KEYRISE_SCREENSHOT_DIR when that is set.
void ExpectClean(HeadlessGame &game, Uint32 now, const std::string &where)
{
    game.SetTime(now);
    const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
    EXPECT_FALSE(layout.texts.empty()) << where;
    for (const std::string &fault : layout.Faults())
        ADD_FAILURE() << where << ": " << fault;
    for (const ScreenLayout::Text &text : layout.texts)
        for (const ScreenLayout::Picture &picture : layout.pictures)
            EXPECT_FALSE(Cross(text.at, picture.at))
                << where << ": '" << text.words << "' at " << Describe(text.at)
                << " crosses the picture at " << Describe(picture.at);
    if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
        game.SaveScreenshot(std::string(folder) + "/" + where + ".png");
}

std::string Where(const char *screen, const char *language, const std::pair<int, int> &size)
{
    return std::string(screen) + "-" + language + "-" + std::to_string(size.first) + "x" +
           std::to_string(size.second);
}

// Runs 'check' on a fresh game of every size in both languages, with the place's name
// ("<screen>-<language>-<width>x<height>"); English is back in use afterwards.
void AtEverySizeInEitherLanguage(
    const char *screen, const std::function<void(HeadlessGame &, const std::string &)> &check)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : kSizes) {
            HeadlessGame game(size.first, size.second);
            ASSERT_TRUE(game.Ready());
            check(game, Where(screen, language, size));
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

TEST(MenuScreensLayout, TitleMenuAtAnySizeInEitherLanguage)
{
    AtEverySizeInEitherLanguage("title", [](HeadlessGame &game, const std::string &where) {
        MenuDriver driver(game);
        driver.Open<MenuScene>();
        driver.Steps(2000); // the title's pictures come in
        ExpectClean(game, driver.now, where);
        driver.Send(kRight); // the next entry
        driver.Steps(500);
        ExpectClean(game, driver.now, where + "-options");
    });
}

TEST(MenuScreensLayout, OptionsEveryRowFocusedAtAnySizeInEitherLanguage)
{
    AtEverySizeInEitherLanguage("options", [](HeadlessGame &game, const std::string &where) {
        MenuDriver driver(game);
        OptionScene *scene = driver.Open<OptionScene>();
        // Each row focused once: the focused row shows its arrows (and the play row its help).
        for (int row = 0; row < OptionScene::kRowCount; row++) {
            ExpectClean(game, driver.now, where + "-row" + std::to_string(scene->GetFocus()));
            driver.Send(kDown);
            driver.Steps(2);
        }
    });
}

TEST(MenuScreensLayout, KeyConfigurationAtAnySizeInEitherLanguage)
{
    AtEverySizeInEitherLanguage("keyconfig", [](HeadlessGame &game, const std::string &where) {
        ASSERT_TRUE(WriteTestFile("config", "keynum 12\n"));
        MenuDriver driver(game);
        driver.Open<KeyConfigScene>();
        ExpectClean(game, driver.now, where);
    });
}

TEST(MenuScreensLayout, TimingBeforeAndAfterTheTapsAtAnySizeInEitherLanguage)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : kSizes) {
            HeadlessGame *running = nullptr;
            CaptureMidiOut capture{[&running]() { return running ? running->Time() : 0; }};
            InitMidiLib();
            SetMidiOutOverride(&capture);
            struct Unset
            {
                ~Unset()
                {
                    CloseMidiOut();
                    SetMidiOutOverride(nullptr);
                    ReleaseMidiLib();
                }
            } unset;
            HeadlessGame game(size.first, size.second);
            ASSERT_TRUE(game.Ready());
            running = &game;
            ASSERT_TRUE(WriteTestFile("config", "offset -123\n"));
            MenuDriver driver(game);
            TimingScene *scene = new TimingScene(&game.Manager());
            game.Manager().AddScene(scene, nullptr);
            game.Iterate(0);
            ExpectClean(game, driver.now, Where("timing", language, size) + "-before");
            for (int beat = 0; beat < TimingScene::BEATS; beat++) {
                while (driver.now + 1 < scene->BeatTime(beat) + 25)
                    driver.Step();
                game.HoldKey(SDLK_f, true);
                driver.Step();
                game.HoldKey(SDLK_f, false);
            }
            driver.Steps(TimingScene::INTERVAL);
            ASSERT_TRUE(scene->IsDone());
            ExpectClean(game, driver.now, Where("timing", language, size) + "-after");
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

} // namespace
