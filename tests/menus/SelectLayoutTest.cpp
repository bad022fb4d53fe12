// Tests of the song selection's layout: at every window size, in both languages, with a long
// song name, a long part line and a search under way, no text runs out of its card, off the
// screen or into another text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/SelectScene.h"
#include "menus/TestSongs.h"
#include "song/SongLibrary.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"

namespace {

TEST(SelectLayout, NoTextLeavesItsCardOrTheScreenOrCrossesAnotherAtAnySizeInEitherLanguage)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size :
             std::vector<std::pair<int, int>>{{640, 480}, {1024, 720}, {1280, 720}, {1920, 1080}}) {
            const std::string where = std::string(language) + " " + std::to_string(size.first) +
                                      "x" + std::to_string(size.second);
            // The game goes first, and closes the captured output while it is still there.
            HeadlessGame *running = nullptr;
            CaptureMidiOut capture{[&running]() { return running ? running->Time() : 0; }};
            SetMidiOutOverride(&capture);
            struct Unset
            {
                ~Unset() { SetMidiOutOverride(nullptr); }
            } unset;
            HeadlessGame game(size.first, size.second);
            ASSERT_TRUE(game.Ready());
            running = &game;
            EmptySongFolder();
            // A name far wider than any screen; the part: the GM instrument with the longest
            // name, with thousands of notes.
            std::vector<TestNote> notes;
            for (int i = 0; i < 12345; i++)
                notes.push_back({0, 60 + i % 12, i * 10, 10});
            ASSERT_TRUE(WriteTestFile("data/A song whose name is far too long to be shown whole "
                                      "on any card of any window size.mid",
                                      MakeTestSong(notes, {{0, 50}})));
            MenuDriver driver(game);
            MenuScene *menu = driver.Open<MenuScene>();
            for (int turn = 0;
                 menu->GetLibrary() != nullptr && menu->GetLibrary()->IsReading() && turn < 20000;
                 ++turn) {
                usleep(1000);
                driver.Steps(1);
            }
            driver.Press(SDLK_RETURN);
            SelectScene *select = dynamic_cast<SelectScene *>(TopScene(game));
            ASSERT_NE(select, nullptr) << where;
            select->FinishLoading();
            driver.Steps(3000); // the card comes to rest and the meters rise
            auto check = [&](const std::string &when) {
                game.SetTime(driver.now);
                const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
                EXPECT_FALSE(layout.frames.empty()) << where << " " << when << ": no card";
                EXPECT_FALSE(layout.Find("A song whose").empty()) << where << " " << when;
                for (const std::string &fault : layout.Faults())
                    ADD_FAILURE() << where << " " << when << ": " << fault;
                if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
                    game.SaveScreenshot(std::string(folder) + "/select-" + where + " " + when +
                                        ".png");
            };
            check("resting");
            // A search with a long status line, and practice settings that change the line
            // under the card.
            auto type = [&](const std::vector<int> &keys) {
                for (int key : keys) {
                    SDL_Event event = KeyDownEvent(key);
                    game.Manager().Event(&event);
                    driver.Steps(2);
                }
            };
            type({'/', 'w', 'h', 'o', 's', 'e'});
            driver.Send(kOk); // keeps the search
            type({'-', '-', 'w'});
            ASSERT_EQ(select->GetQuery(), "whose") << where;
            driver.Steps(500);
            check("searched");
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

} // namespace
