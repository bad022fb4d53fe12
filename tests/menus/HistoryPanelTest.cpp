// Tests of the song selection's statistics: a game played is counted on its own part and number
// of keys, also after a restart, and the panel's lines and chart cross no other text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "framework/Scene.h"
#include "game/ScoreScene.h"
#include "menus/HistoryPanel.h"
#include "menus/SelectSceneFixture.h"
#include "song/PlayHistory.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"

namespace {

PlayHistory::Entry Game(int part, int keys, int score, bool practice = false, bool failed = false)
{
    PlayHistory::Entry game;
    game.when = 1765185000;
    game.part = part;
    game.keys = keys;
    game.score = score;
    game.excellent = 10;
    game.practice = practice;
    game.failed = failed;
    return game;
}

std::string HistoryText(const std::vector<PlayHistory::Entry> &games)
{
    std::string text = "keyrise-history 1\n";
    for (const PlayHistory::Entry &game : games)
        text += PlayHistory::FormatLine(game) + "\n";
    return text;
}

class HistoryPanelTest : public SelectSceneFixture
{
protected:
    void SetUp() override
    {
        SelectSceneFixture::SetUp();
        // Notes on channels 0 and 3, one second long.
        ASSERT_TRUE(WriteTestFile(
            "data/a.mid", MakeTestSong({{0, 60, 0, 240}, {0, 62, 480, 240}, {3, 70, 0, 960}})));
    }
};

TEST_F(HistoryPanelTest, AGameCountsOnItsOwnPartAndKeysAlsoAfterARestart)
{
    // Games of the other part, and of part 0 with 6 keys (the game plays 4).
    ASSERT_TRUE(
        WriteTestFile("data/a.mid.history", HistoryText({Game(3, 4, 500000), Game(0, 6, 900000)})));
    SelectScene *select = Enter();
    const HistoryPanel *panel = select->GetHistoryPanel();
    EXPECT_EQ(panel->GetLines(), (std::vector<std::string>{"Plays: 0", "Best: -", "Last: -"}));

    Play();
    ScoreScene *result = nullptr;
    for (int turn = 0; turn < 20000 && result == nullptr; turn++) {
        driver.Step();
        result = dynamic_cast<ScoreScene *>(TopScene(game));
    }
    ASSERT_NE(result, nullptr) << "the game never showed its result";
    const int score = result->GetScore();
    driver.Send(kOk);
    driver.Steps(10);
    ASSERT_EQ(TopScene(game), select);
    const std::string shown = std::to_string(score);
    EXPECT_EQ(panel->GetLines(),
              (std::vector<std::string>{"Plays: 1", "Best: " + shown, "Last: " + shown}));

    driver.Press(SDLK_DOWN); // part 3
    driver.Steps(20);
    EXPECT_EQ(panel->GetLines(),
              (std::vector<std::string>{"Plays: 1", "Best: 500,000", "Last: 500,000"}));

    // The next time the screen opens, the game is read from the file.
    driver.Press(SDLK_ESCAPE);
    select = Enter();
    EXPECT_EQ(select->GetHistoryPanel()->GetLines(),
              (std::vector<std::string>{"Plays: 1", "Best: " + shown, "Last: " + shown}));
}

TEST(HistoryPanelLayout, ItsLinesAndChartCrossNoTextAtTheSmallestAndLargestSizeInEitherLanguage)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : std::vector<std::pair<int, int>>{{640, 480}, {1920, 1080}}) {
            for (bool notice : {false, true}) {
                const std::string where = std::string(language) + " " + std::to_string(size.first) +
                                          "x" + std::to_string(size.second) +
                                          (notice ? " notice" : "");
                HeadlessGame *running = nullptr;
                CaptureMidiOut capture{[&running]() { return running ? running->Time() : 0; }};
                SetMidiOutOverride(&capture);
                struct Unset
                {
                    ~Unset()
                    {
                        SetMidiOutOverride(nullptr);
                        std::filesystem::remove_all("data/a.mid.score");
                    }
                } unset;
                HeadlessGame game(size.first, size.second);
                ASSERT_TRUE(game.Ready());
                running = &game;
                EmptySongFolder();
                ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
                // 25 games with the highest score possible among them: the chart's full height.
                std::vector<PlayHistory::Entry> games;
                for (int i = 0; i < 25; i++)
                    games.push_back(
                        Game(0, 4, i == 20 ? 1000000 : 40000 * i, i % 5 == 1, i % 7 == 2));
                ASSERT_TRUE(WriteTestFile("data/a.mid.history", HistoryText(games)));
                // A score file that cannot be read: a notice over the panel's room.
                if (notice) {
                    ASSERT_TRUE(std::filesystem::create_directories("data/a.mid.score/x"));
                }
                MenuDriver driver(game);
                MenuScene *menu = driver.Open<MenuScene>();
                for (int turn = 0; menu->GetLibrary() != nullptr &&
                                   menu->GetLibrary()->IsReading() && turn < 20000;
                     ++turn) {
                    usleep(1000);
                    driver.Steps(1);
                }
                driver.Press(SDLK_RETURN);
                SelectScene *select = dynamic_cast<SelectScene *>(TopScene(game));
                ASSERT_NE(select, nullptr) << where;
                select->FinishLoading();
                driver.Steps(1000);
                game.SetTime(driver.now);
                const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
                for (const std::string &fault : layout.Faults())
                    ADD_FAILURE() << where << ": " << fault;
                const HistoryPanel *panel = select->GetHistoryPanel();
                ASSERT_EQ(panel->GetStats().plays, 25) << where;
                EXPECT_EQ(select->GetNotice().empty(), !notice) << where;
                if (!notice || size.first > 640) {
                    EXPECT_TRUE(panel->IsShown()) << where;
                    EXPECT_FALSE(layout.Find(panel->GetLines()[0]).empty()) << where;
                    EXPECT_GT(panel->GetChartRect().w, 0) << where;
                }
                const SDL_Rect chart = panel->GetChartRect();
                const SDL_Rect screen{0, 0, static_cast<Uint16>(size.first),
                                      static_cast<Uint16>(size.second)};
                EXPECT_TRUE(Inside(chart, screen)) << where << " " << Describe(chart);
                for (const ScreenLayout::Text &text : layout.texts)
                    EXPECT_FALSE(Cross(chart, text.at))
                        << where << ": the chart " << Describe(chart) << " crosses '" << text.words
                        << "' at " << Describe(text.at);
                if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
                    game.SaveScreenshot(std::string(folder) + "/history-" + where + ".png");
            }
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

TEST(HistoryPanelLayout, ANoticeShownOverItsRoomPushesItDownOrHidesIt)
{
    HeadlessGame game(640, 480);
    ASSERT_TRUE(game.Ready());
    ASSERT_TRUE(WriteTestFile("data/n.mid.history", HistoryText({Game(0, 4, 300000)})));
    Scene *scene = new Scene(&game.Manager());
    game.Manager().AddScene(scene, nullptr);
    game.Iterate(0);
    NoticeText *notice = new NoticeText(&game.Manager(), scene);
    HistoryPanel *panel = new HistoryPanel(&game.Manager(), scene);
    const SDL_Rect room{6, 100, 250, 200};
    panel->Place(room, {notice});
    panel->ShowFor("data/n.mid.history", 0, 4, false);
    for (int y : {100, 180, 240}) {
        notice->Show("Cannot read high scores in data/n.mid.score", y);
        const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
        for (const std::string &fault : layout.Faults())
            ADD_FAILURE() << y << ": " << fault;
        EXPECT_EQ(layout.Find("Plays: 1").size(), y < 240 ? 1u : 0u) << y;
        EXPECT_EQ(panel->IsShown(), y < 240) << y;
        if (panel->IsShown()) {
            EXPECT_TRUE(Inside(layout.Find("Plays: 1")[0].at, room)) << y;
            EXPECT_FALSE(Cross(layout.Find("Cannot read")[0].at, panel->GetChartRect())) << y;
        }
    }
    std::filesystem::remove("data/n.mid.history");
}

} // namespace
