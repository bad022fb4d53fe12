// Tests of V on the song selection: the chosen card's best game shown again, or why it cannot be.
#include <gtest/gtest.h>

#include <string>

#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/ReplayStore.h"
#include "game/ScoreScene.h"
#include "menus/SelectSceneFixture.h"
#include "platform/MessageBox.h"
#include "song/PlayHistory.h"
#include "support/ScreenLayout.h"

namespace {

class WatchBestTest : public SelectSceneFixture
{
protected:
    void SetUp() override
    {
        SelectSceneFixture::SetUp();
        ASSERT_TRUE(
            WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}, {0, 62, 480, 240}})));
    }
    // Runs the top game to its result screen.
    ScoreScene *ToResult()
    {
        ScoreScene *result = nullptr;
        for (int turn = 0; turn < 20000 && result == nullptr; turn++) {
            driver.Step();
            result = dynamic_cast<ScoreScene *>(TopScene(game));
        }
        return result;
    }
    // V as the song selection gets it: a key event.
    void PressV()
    {
        SDL_Event v = KeyDownEvent(SDLK_v);
        game.Manager().Event(&v);
        driver.Steps(3);
    }
    bool Says(const std::string &text)
    {
        return !ScreenLayout::Draw(game.Manager()).Find(text).empty();
    }
    // Watches the game V started (the top scene) to its result, which must give 'score'.
    void WatchesTo(int score, const char *started)
    {
        ASSERT_NE(Top<GameScene>(started)->GetParameter()->replay, nullptr);
        ScoreScene *shown = ToResult();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->IsWatched());
        EXPECT_EQ(shown->GetScore(), score);
        driver.Send(kOk);
        driver.Steps(10);
    }
    // Games in the song's history.
    size_t GamesInHistory()
    {
        std::vector<PlayHistory::Entry> entries;
        EXPECT_TRUE(PlayHistory::Read(PlayHistory::PathBeside("data/a.mid.score"), entries));
        return entries.size();
    }
};

} // namespace

// Without a best game V says so; after a game it shows that game again (from the result screen
// and from the selection), to the same result, storing nothing, not even a line of the song's
// history; once the song's bytes change it refuses to.
TEST_F(WatchBestTest, VShowsTheChosenCardsBestGameOrSaysWhyNot)
{
    SelectScene *select = Enter();
    PressV();
    EXPECT_EQ(TopScene(game), select);
    EXPECT_TRUE(Says("No replay of this song")) << "no best game yet, and nothing said";

    Play();
    ScoreScene *played = ToResult();
    ASSERT_NE(played, nullptr) << "the game never showed its result";
    const int score = played->GetScore();
    PressV();
    WatchesTo(score, "V on the result started no game");
    ASSERT_EQ(TopScene(game), select);
    const std::string best = ReplayStore::BestPath("data/a.mid.score", 0, 4);
    ASSERT_TRUE(ReadTestFile(best).size() > 0) << "the game was not kept as the best";
    const std::string kept = ReadTestFile(best);

    PressV();
    WatchesTo(score, "V on the selection started no game");
    EXPECT_EQ(ReadTestFile(best), kept) << "a game watched again replaced the best";
    EXPECT_EQ(GamesInHistory(), 1u) << "watching a game added it to the song's history";

    // A damaged best game is said as such, not as a missing one.
    // On screen and on stderr, each naming the file and why.
    ASSERT_TRUE(WriteTestFile(best, "keyrise-replay 99\n"));
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    PressV();
    SetWarningSink(nullptr);
    EXPECT_EQ(TopScene(game), select);
    EXPECT_TRUE(Says("cannot be read"));
    EXPECT_TRUE(Says(best)) << "the notice names no file";
    ASSERT_EQ(warnings.size(), 1u) << "nothing said on stderr";
    EXPECT_NE(warnings[0].find(best + ": "), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("format 99"), std::string::npos) << "no reason: " << warnings[0];
    ASSERT_TRUE(WriteTestFile(best, kept));

    // The same size, one byte different: the song has changed.
    std::string bytes = ReadTestFile("data/a.mid");
    bytes[bytes.size() - 5] ^= 1;
    ASSERT_TRUE(WriteTestFile("data/a.mid", bytes));
    PressV();
    EXPECT_EQ(TopScene(game), select);
    EXPECT_TRUE(Says("The song has changed"));
}
