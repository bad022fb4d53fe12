// Tests of the result screen's line in the song's history: every result shown but a demo's is
// kept with its numbers, practice and failed games marked, and a line not kept is said.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "game/GameSceneParameter.h"
#include "game/ScoreScene.h"
#include "game/ScoreSceneParameter.h"
#include "song/PlayHistory.h"
#include "support/HeadlessGame.h"
#include "support/ScreenLayout.h"
#include "tests/config/ScratchFolder.h"
#include "text/MessageCatalog.h"

namespace {

// Shows the result of a game of five notes (3 EXCELLENT, 1 GOOD, 1 BAD) played on part 3 with
// 6 keys, whose history file is 'path'; returns the screen.
ScoreScene *ShowResult(HeadlessGame &game, const std::string &path, bool practice, bool failed,
                       bool demo)
{
    ScoreSceneParameter *param = new ScoreSceneParameter();
    param->excellent = 3;
    param->good = 1;
    param->bad = 1;
    param->maxCombo = 3;
    param->errors = {-12, 4, 30, -2};
    param->practice = practice;
    param->failed = failed;
    param->demo = demo;
    param->historyPath = path;
    param->part = 3;
    param->keys = 6;
    ScoreScene *scene = new ScoreScene(&game.Manager());
    game.Manager().AddScene(scene, param);
    game.Iterate(0);
    return scene;
}

TEST(ScoreSceneHistory, EveryResultButADemosIsKeptWithItsNumbersAndReadBackLater)
{
    ScratchFolder scratch;
    // Below a folder still to be made, as for a song whose records go below the score folder.
    const std::string path = scratch.Path("scores/openmsx/song.mid.history");
    HeadlessGame game(800, 600);
    ASSERT_TRUE(game.Ready());
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    ShowResult(game, path, true, false, false);
    ShowResult(game, path, false, true, false);
    ShowResult(game, path, false, false, true);
    const int64_t after = static_cast<int64_t>(std::time(nullptr));

    std::vector<PlayHistory::Entry> games;
    ASSERT_TRUE(PlayHistory::Read(path, games));
    ASSERT_EQ(games.size(), 2u) << "the demo is not kept";
    // Percents 20 BAD, 20 GOOD, 60 EXCELLENT, 60 COMBO: (20 x 20 + 100 x 60) x 60 = 384,000;
    // rate (3 x 60 + 2 x 20) x 11 / 300 = 8 ("S"). Errors: mean 5 ms, spread sqrt(241) ms.
    PlayHistory::Entry expected;
    expected.when = games[0].when;
    expected.part = 3;
    expected.keys = 6;
    expected.score = 384000;
    expected.rate = 8;
    expected.excellent = 3;
    expected.good = 1;
    expected.ok = 0;
    expected.bad = 1;
    expected.maxCombo = 3;
    expected.meanTenths = 50;
    expected.spreadTenths = 155;
    expected.practice = true;
    EXPECT_TRUE(games[0] == expected) << PlayHistory::FormatLine(games[0]);
    EXPECT_GE(games[0].when, before);
    EXPECT_LE(games[0].when, after);
    expected.when = games[1].when;
    expected.practice = false;
    expected.failed = true;
    EXPECT_TRUE(games[1] == expected) << PlayHistory::FormatLine(games[1]);
    EXPECT_NE(scratch.Read("scores/openmsx/song.mid.history")
                  .find(" 3 6 384000 8 S 3 1 0 1 3 5.0 15.5 practice finished\n"),
              std::string::npos);

    // A history that cannot be written is said on the result screen.
    scratch.Write("file", "a file where a folder should be");
    ScoreScene *unsaved =
        ShowResult(game, scratch.Path("file/song.mid.history"), false, false, false);
    EXPECT_NE(unsaved->GetHistoryProblem(), "");
    game.Iterate(1);
    EXPECT_FALSE(ScreenLayout::Draw(game.Manager()).Find("not added to the song").empty());
}

// A full disk fails the history, the last games' replays and the best replay alike: each is
// said on lines of its own, whole (file and reason), within the screen and in letters no smaller
// than the readable minimum, at the smallest and the largest window, in both languages.
TEST(ScoreSceneHistory, EveryFileNotKeptIsSaidWholeAndReadableAtEverySize)
{
    const std::string deep = "/home/player/.local/share/keyrise/songs/a folder with a long name";
    const std::string full = "No space left on device";
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : std::vector<std::pair<int, int>>{{640, 480}, {1920, 1080}}) {
            const std::string where = std::string(language) + " " + std::to_string(size.first);
            HeadlessGame game(size.first, size.second);
            ASSERT_TRUE(game.Ready());
            std::ofstream("file") << "a file where a folder should be";
            ScoreSceneParameter *param = new ScoreSceneParameter();
            param->excellent = 3;
            param->maxCombo = 3;
            param->historyPath = "file/song.mid.history";
            param->replayProblem = deep + "/replays: " + full;
            param->bestReplayProblem = deep + "/song.mid.ins0_key4.replay: " + full;
            param->retry = std::make_unique<GameSceneParameter>();
            ScoreScene *scene = new ScoreScene(&game.Manager());
            game.Manager().AddScene(scene, param);
            for (Uint32 t = 0; t <= 600; t += 10)
                game.Iterate(t);
            const std::vector<std::string> notices = scene->GetNotices();
            ASSERT_EQ(notices.size(), 3u) << where;
            EXPECT_NE(notices[0].find("file/song.mid.history"), std::string::npos) << notices[0];
            EXPECT_NE(notices[2].find(deep + "/song.mid.ins0_key4.replay"), std::string::npos);
            const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
            for (const std::string &fault : layout.Faults())
                ADD_FAILURE() << where << ": " << fault;
            const int minimum = 14; // px: the 6 px letters of a squeezed line are not read
            // Every notice's words are on the screen, in order, in lines of readable letters.
            std::vector<std::pair<int, std::string>> lines; // top to bottom
            for (const ScreenLayout::Text &text : layout.texts) {
                bool part = false;
                for (const std::string &notice : notices)
                    part = part ||
                           (text.words.size() >= 4 && notice.find(text.words) != std::string::npos);
                if (!part)
                    continue;
                lines.emplace_back(text.at.y, text.words);
                EXPECT_GE(text.at.h, minimum) << where << ": '" << text.words << "'";
            }
            std::sort(lines.begin(), lines.end());
            std::string shown;
            for (const auto &line : lines)
                shown += line.second;
            std::string whole;
            for (const std::string &notice : notices)
                whole += notice;
            whole.erase(std::remove(whole.begin(), whole.end(), ' '), whole.end());
            shown.erase(std::remove(shown.begin(), shown.end(), ' '), shown.end());
            EXPECT_EQ(shown, whole) << where;
            if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
                game.SaveScreenshot(std::string(folder) + "/result-full-disk-" + where + ".png");
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

} // namespace
