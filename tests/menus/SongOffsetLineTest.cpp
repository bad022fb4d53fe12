// Tests of trimming a song's own offset on the song selection: only the chosen song changes, the
// trim is saved with its records and read back after a restart, and a game plays with it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/OffsetTrim.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "menus/SelectScene.h"
#include "menus/SelectSceneFixture.h"
#include "song/MidiContainer.h"

namespace {

class SongOffsetLineTest : public SelectSceneFixture
{
protected:
    void SetUp() override
    {
        SelectSceneFixture::SetUp();
        std::ofstream("config") << "offset 10\n";
        ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
        ASSERT_TRUE(WriteTestFile("data/b.mid", MakeTestSong({{0, 72, 0, 480}})));
        ASSERT_TRUE(WriteTestFile("data/b.mid.score", "highscore_ins0_key4 55\n"));
    }

    // A trim key pressed and let go, as a player types it.
    void Tap(SelectScene *select, int key)
    {
        game.HoldKey(key, true);
        SDL_Event event = KeyDownEvent(key);
        select->Event(&event);
        driver.Step();
        game.HoldKey(key, false);
        driver.Steps(3);
    }

    // The offset and the 4-key record of part 0 a song's score file holds, read as the next
    // start of the game reads them.
    static int StoredOffset(const std::string &name) { return Stored(name, false); }
    static int StoredScore(const std::string &name) { return Stored(name, true); }
    static int Stored(const std::string &name, bool score)
    {
        MidiContainer song;
        song.path = "data/" + name;
        song.ReadScores();
        return score ? song.highScore[3][0] : song.songOffset;
    }
};

TEST_F(SongOffsetLineTest, ATrimChangesOnlyThatSongsOffsetAndSurvivesARestart)
{
    SelectScene *select = Enter();
    MidiSelector *carousel = select->GetSelector();
    ASSERT_EQ(carousel->GetSelectedCard()->name, "a.mid");
    EXPECT_EQ(select->GetOffsetLine().GetText(), "Song offset +0 ms  Total +10 ms  ([ ])");

    // Three steps up and one down; each is saved once the key is let go.
    for (int key : {OffsetTrim::LATER_KEY, OffsetTrim::LATER_KEY, OffsetTrim::LATER_KEY,
                    OffsetTrim::EARLIER_KEY})
        Tap(select, key);
    EXPECT_EQ(carousel->GetSelectedCard()->songOffset, 2);
    EXPECT_EQ(select->GetOffsetLine().GetText(), "Song offset +2 ms  Total +12 ms  ([ ])");
    EXPECT_EQ(StoredOffset("a.mid"), 2);

    // Held: one step at the press, then one every 50 ms after 400 ms.
    game.HoldKey(OffsetTrim::EARLIER_KEY, true);
    SDL_Event press = KeyDownEvent(OffsetTrim::EARLIER_KEY);
    select->Event(&press);
    driver.Steps(1 + 400 + 4 * 50);
    game.HoldKey(OffsetTrim::EARLIER_KEY, false);
    driver.Steps(2);
    EXPECT_EQ(carousel->GetSelectedCard()->songOffset, 2 - 1 - 5);
    EXPECT_EQ(StoredOffset("a.mid"), -4);

    // The next song has an offset of its own, untouched; its records stay as they were.
    driver.Press(SDLK_RIGHT);
    ASSERT_EQ(carousel->GetSelectedCard()->name, "b.mid");
    EXPECT_EQ(select->GetOffsetLine().GetText(), "Song offset +0 ms  Total +10 ms  ([ ])");
    EXPECT_EQ(carousel->GetSelectedCard()->songOffset, 0);
    EXPECT_EQ(ReadTestFile("data/b.mid.score"), "highscore_ins0_key4 55\n");
    Tap(select, OffsetTrim::EARLIER_KEY);
    EXPECT_EQ(StoredOffset("b.mid"), -1);
    EXPECT_EQ(StoredOffset("a.mid"), -4);
    EXPECT_EQ(StoredScore("b.mid"), 55);

    // Back on the selection later: the title menu's songs have the trims too. A game of the
    // song plays with the global offset and the song's together.
    driver.Press(SDLK_ESCAPE);
    select = Enter();
    carousel = select->GetSelector();
    ASSERT_EQ(carousel->GetSelectedCard()->name, "a.mid");
    EXPECT_EQ(select->GetOffsetLine().GetText(), "Song offset -4 ms  Total +6 ms  ([ ])");
    GameScene *play = Play();
    EXPECT_EQ(play->GetLatency().GetUserOffset(), 6);
    EXPECT_EQ(*play->GetParameter()->songOffset, -4);
}

// While a search is typed the trim keys are not trims, pressed or held.
TEST_F(SongOffsetLineTest, NoTrimWhileASearchIsTyped)
{
    SelectScene *select = Enter();
    SDL_Event slash = KeyDownEvent('/');
    select->Event(&slash);
    ASSERT_TRUE(select->IsSearching());
    game.HoldKey(OffsetTrim::LATER_KEY, true);
    SDL_Event press = KeyDownEvent(OffsetTrim::LATER_KEY);
    select->Event(&press);
    driver.Steps(1000);
    game.HoldKey(OffsetTrim::LATER_KEY, false);
    driver.Steps(2);
    EXPECT_EQ(select->GetSelector()->GetSelectedCard()->songOffset, 0);
    EXPECT_EQ(ReadTestFile("data/a.mid.score"), "");
}

} // namespace
