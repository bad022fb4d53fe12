// Tests of the offsets in play: the song's own offset beside the global one, trimmed in the
// pause menu, moves the judgement and the balls by exactly the trim and never passes the limit.
#include "game/OffsetTrim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "game/PlayHarness.h"
#include "game/PracticeOverlay.h"

namespace {
const int KEY_D = 'd';
const int KEY_P = 'p';
const int MAX = OffsetTrim::MAX_OFFSET;

// Eight notes of the part on lane 0, one a second from 1 s.
void FillSong(TestSong &song)
{
    for (int t = 1000; t <= 8000; t += 1000)
        song.Note(t, 0, 60, 100);
}

// Starts a game of FillSong's notes whose song offset lives in 'songOffset'.
void StartWithSongOffset(PlayHarness &play, TestSong &song, int *songOffset)
{
    FillSong(song);
    GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
    param->songOffset = songOffset;
    play.Start(param);
}

// Runs to the first clock whose song position is 'position' (ms) and presses 'key' there.
void PressAtSongTime(PlayHarness &play, int position, int key)
{
    while (play.Scene()->GetLatency().SongPosition(play.now + 1) < position)
        play.Step();
    play.PressAtClock(play.now + 1, {key});
}

// Presses 'key' 'times' times while paused, 20 ms apart.
void Tap(PlayHarness &play, int key, int times)
{
    for (int i = 0; i < times; i++)
        play.PressAtClock(play.now + 20, {key});
}
} // namespace

// A press lands (global + song offset) ms after its note when the player is on the beat. Trims
// in the pause menu change the song's offset cell at once (so Escape keeps them), and from the
// resume on move the judgement and the balls by exactly the trim; a retry plays with them.
TEST(OffsetTrim, TheEffectiveOffsetMovesTheJudgementByExactlyTheTrim)
{
    PlayHarness play("AutoPlay 0\noffset 20\n");
    TestSong song;
    int songOffset = 7;
    StartWithSongOffset(play, song, &songOffset);
    EXPECT_EQ(play.Scene()->GetLatency().GetUserOffset(), 27);

    // 40 ms after the note: 13 ms late once the 27 ms are taken off.
    PressAtSongTime(play, 1000 + 40, KEY_D);
    ASSERT_EQ(play.Judged().back(), "GOOD 13 13");

    // Paused: five steps up, one down; the menu shows both offsets, the cell has the song's.
    play.PressAtClock(play.now + 100, {KEY_P});
    Tap(play, OffsetTrim::LATER_KEY, 5);
    Tap(play, OffsetTrim::EARLIER_KEY, 1);
    EXPECT_EQ(songOffset, 11);
    EXPECT_EQ(play.Scene()->GetPractice().GetOffsetTrim().GetEffective(), 31);
    EXPECT_EQ(play.Scene()->GetLatency().GetUserOffset(), 27) << "in force from the resume on";
    const Uint32 pausedAt = play.now;
    const int ballsBefore = play.Scene()->GetLatency().JudgedPosition(pausedAt);
    play.PressAtClock(play.now + 20, {KEY_P}); // resume: the count-in starts
    EXPECT_EQ(play.Scene()->GetLatency().GetUserOffset(), 31);
    EXPECT_EQ(play.Scene()->GetLatency().JudgedPosition(pausedAt), ballsBefore - 4)
        << "the balls stand 4 ms further back";

    // The same press 40 ms after the note is now 4 ms less late.
    PressAtSongTime(play, 2000 + 40, KEY_D);
    EXPECT_EQ(play.Judged().back(), "EXCELLENT 9 9") << "4 ms less late than before";

    // Trimmed, then left with Escape: the trim stays in the song's cell.
    play.PressAtClock(play.now + 100, {KEY_P});
    Tap(play, OffsetTrim::EARLIER_KEY, 3);
    play.PressAtClock(play.now + 20, {SDLK_ESCAPE});
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    EXPECT_EQ(songOffset, 8);
}

// Neither the song's offset nor the sum ever passes -MAX_OFFSET..MAX_OFFSET, whatever the
// global offset, however long a key is held; each step that is taken changes the sum by 1 ms.
// A song's offset stored beside another global one counts only as far as it is played. A retry
// plays with what was trimmed.
TEST(OffsetTrim, TrimsNeverPassTheLimit)
{
    for (int global : {-MAX, -295, -1, 0, 120, MAX}) {
        for (int direction : {-1, 1}) {
            OffsetTrim trim;
            trim.Set(global, 0);
            int steps = 0;
            for (int i = 0; i < 2 * MAX + 10; i++) {
                const int before = trim.GetEffective();
                if (!trim.Step(direction))
                    continue;
                steps++;
                EXPECT_EQ(trim.GetEffective(), before + direction) << global;
            }
            // Whichever limit comes first: the sum's, or the song's own.
            const int last = std::max(-MAX, std::min(MAX, direction * MAX - global));
            EXPECT_EQ(trim.GetSong(), last) << global;
            EXPECT_EQ(trim.GetEffective(), global + last) << global;
            EXPECT_EQ(steps, std::abs(last)) << global;
        }
    }
    OffsetTrim stored;
    stored.Set(250, 100); // 350 in all: only 50 of the song's are played
    EXPECT_EQ(stored.GetEffective(), MAX);
    EXPECT_EQ(stored.GetSong(), 50);
    EXPECT_FALSE(stored.Step(1));
    EXPECT_TRUE(stored.Step(-1));
    EXPECT_EQ(stored.GetEffective(), MAX - 1) << "the first step down is felt";
    stored.Set(99999, -99999);
    EXPECT_EQ(stored.GetGlobal(), MAX);
    EXPECT_EQ(stored.GetSong(), -MAX);
    EXPECT_EQ(stored.GetEffective(), 0);
    EXPECT_EQ(OffsetTrim::Effective(-MAX, -MAX), -MAX);

    // In the pause menu, a held key: one step at the press, then one every 50 ms after 400 ms,
    // up to the limit, where it stays.
    PlayHarness play("AutoPlay 0\noffset 295\n");
    TestSong song;
    int songOffset = 0;
    StartWithSongOffset(play, song, &songOffset);
    play.PressAtClock(PlayHarness::START + 500, {KEY_P});
    play.game.HoldKey(OffsetTrim::EARLIER_KEY, true);
    play.RunTo(play.now + 400 + 2 * 50 + 1);
    play.game.HoldKey(OffsetTrim::EARLIER_KEY, false);
    play.Step();
    EXPECT_EQ(songOffset, -4) << "a press and three repeats";
    play.game.HoldKey(OffsetTrim::LATER_KEY, true);
    play.RunTo(play.now + 2000);
    play.game.HoldKey(OffsetTrim::LATER_KEY, false);
    play.Step();
    EXPECT_EQ(songOffset, 5);
    EXPECT_EQ(play.Scene()->GetPractice().GetOffsetTrim().GetEffective(), MAX);
    // "Retry": the new game plays with the trimmed offset.
    play.PressAtClock(play.now + 20, {SDLK_DOWN});
    play.PressAtClock(play.now + 20, {SDLK_RETURN});
    play.Step();
    ASSERT_NE(play.Scene(), nullptr);
    EXPECT_EQ(play.Scene()->GetLatency().GetUserOffset(), MAX);
}
