// Tests of where the balls stand: the constant scroll speed beside the tempo-following one, and
// the lanes centred and sized to the window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/VideoModeChoice.h"
#include "game/PlayHarness.h"
#include "game/ScreenPixels.h"

namespace {
const int KEY_D = SDLK_d; // lane 0 by default
const int KEY_F = SDLK_f; // lane 1
const int KEY_J = SDLK_j; // lane 2
using Texts = std::vector<std::string>;

void DrawFresh(PlayHarness &play)
{
    SDL_Surface *screen = play.Manager().GetScreen();
    SDL_FillRect(screen, nullptr, 0);
    play.Manager().Draw(screen);
}

// The top edge (px) of the highest ball of lane 0 below the targets and the error scale: the
// first lit pixel of the lane's middle column; -1 when no ball is on the screen.
int BallTopInLaneZero(PlayHarness &play)
{
    DrawFresh(play);
    SDL_Surface *screen = play.Manager().GetScreen();
    const GameScene *scene = play.Scene();
    const int ball = scene->GetBallSize();
    const int x = scene->GetLayout().LaneX(0) + ball / 2;
    for (int y = 2 * ball; y < screen->h - 8; y++)
        if (PixelAt(screen, x, y) != 0)
            return y;
    return -1;
}

} // namespace

// At constant speed a ball moves the same pixels per second of the player's time before and
// after the song's tempo doubles, at any practice tempo; "speed" keeps its meaning (100: one
// screen height per second, 50: half of that).
TEST(ScrollSpeed, AtConstantSpeedABallMovesTheSamePixelsPerSecondThroughATempoChange)
{
    struct Case
    {
        const char *config;
        int practiceTempo;
        int pixelsPerHalfSecond;
    };
    for (const Case &c : {Case{"scrollmode 1\n", 100, 240}, Case{"scrollmode 1\n", 50, 240},
                          Case{"scrollmode 1\nspeed 50\n", 150, 120}}) {
        PlayHarness play(c.config, 640, 480);
        TestSong song;
        song.Note(1000, 0, 60, 100);
        song.Tempo(1200, 250000); // twice as fast from here
        song.Note(4000, 0, 60, 100);
        play.Start(song, 0, c.practiceTempo);
        std::vector<int> moved;
        for (int note : {1000, 4000}) {
            // 900 and 400 ms of the player's time before the note.
            const Uint32 due = PlayHarness::START + note * 100 / c.practiceTempo;
            play.RunTo(due - 900);
            const int before = BallTopInLaneZero(play);
            play.RunTo(due - 400);
            const int after = BallTopInLaneZero(play);
            ASSERT_GT(before, 0) << c.config << c.practiceTempo << " note " << note;
            ASSERT_GT(after, 0) << c.config << c.practiceTempo << " note " << note;
            moved.push_back(before - after);
        }
        EXPECT_EQ(moved[0], moved[1]) << c.config << " at " << c.practiceTempo << " %";
        EXPECT_NEAR(moved[0], c.pixelsPerHalfSecond, 1) << c.config << c.practiceTempo;
    }
}

// At constant speed a ball stands on its target exactly when a press on it is judged on time:
// at its note time moved by the player's offset, at any practice tempo. The reference is the
// tempo-following picture at the note's time without an offset.
TEST(ScrollSpeed, AtConstantSpeedABallReachesItsTargetAtItsNoteTimeWithTheOffset)
{
    const auto reference = FirstLaneTopAt("", 100, PlayHarness::START + 1000);
    for (int tempo : {100, 50, 150}) {
        for (int offset : {0, 30, -200}) {
            const std::string config = "scrollmode 1\noffset " + std::to_string(offset) + "\n";
            const Uint32 due = PlayHarness::START + 1000 * 100 / tempo + offset;
            EXPECT_EQ(FirstLaneTopAt(config, tempo, due), reference)
                << "tempo " << tempo << " offset " << offset;
            EXPECT_NE(FirstLaneTopAt(config, tempo, due - 20), reference)
                << "tempo " << tempo << " offset " << offset;
        }
    }
}

// The scroll mode only moves the picture: the same presses give the same judgements, at the
// same moments, and the same MIDI output in both modes, through a tempo change, at half and at
// one and a half times the tempo, with an offset, a repeated section and wait mode.
TEST(ScrollSpeed, TheJudgementIsTheSameInBothScrollModes)
{
    struct Run
    {
        std::vector<std::string> judged;
        std::vector<Uint32> when;
        std::vector<std::string> sent;
    };
    auto play = [](const std::string &mode, int tempo, bool waitMode) {
        PlayHarness game("AutoPlay 0\noffset 30\n" + mode, 640, 480);
        TestSong song;
        for (int n = 0; n < 12; n++)
            song.Note(500 + 250 * n, 0, 60 + n % 3, 100);
        song.Note(1500, 0, 62, 100); // a chord with the note of lane 1
        song.Note(1000, 1, 40, 400); // accompaniment
        song.Tempo(1600, 300000);
        game.Start(song, 0, tempo, waitMode);
        const int keys[3] = {KEY_D, KEY_F, KEY_J};
        // Presses early and late by up to 120 ms of the player's time; every fourth note missed.
        const int errors[4] = {-120, 8, 45, 0};
        for (int n = 0; n < 12; n++) {
            if (n % 4 == 3)
                continue;
            game.PressAtClock(PlayHarness::START + (500 + 250 * n) * 100 / tempo + 30 +
                                  errors[n % 4],
                              {keys[n % 3]});
            if (n == 5)
                game.PressAtClock(game.now + 1, {PracticeSession::LOOP_START_KEY});
            if (n == 8)
                game.PressAtClock(game.now + 1, {PracticeSession::LOOP_END_KEY});
        }
        for (int t = 0; t < 3000; t += 97)
            game.PressAtClock(game.now + 97, {keys[(t / 97) % 3]});
        Run run;
        run.judged = game.Judged();
        for (const JudgementRecord &record : game.judgements)
            run.when.push_back(record.now);
        run.sent = game.Sent();
        return run;
    };
    for (int tempo : {100, 50, 150}) {
        for (bool waitMode : {false, true}) {
            const Run following = play("", tempo, waitMode);
            const Run constant = play("scrollmode 1\n", tempo, waitMode);
            ASSERT_GE(following.judged.size(), 9u) << tempo;
            EXPECT_EQ(constant.judged, following.judged) << tempo << " wait " << waitMode;
            EXPECT_EQ(constant.when, following.when) << tempo << " wait " << waitMode;
            EXPECT_EQ(constant.sent, following.sent) << tempo << " wait " << waitMode;
        }
    }
}

// With any number of keys on any window size the game offers, the lanes are centred (the gaps
// left and right of the targets differ by the scaled picture's rounding at most), lie inside the
// screen, and keep their size against the screen height: a ball is 44 / 480 of it, as on 640 x 480.
TEST(LaneLayout, TheLanesAreCentredForEveryNumberOfKeysAtEveryWindowSize)
{
    for (const ListedMode &mode : VideoModeChoice::BuiltInModes()) {
        for (int keys = 1; keys <= 12; keys++) {
            PlayHarness play("keynum " + std::to_string(keys) + "\n", mode.width, mode.height);
            TestSong song;
            GameScene *scene = play.Start(song);
            const int ball = scene->GetBallSize();
            DrawFresh(play);
            SDL_Surface *screen = play.Manager().GetScreen();
            int first = -1, last = -1;
            for (int x = 0; x < mode.width; x++) {
                if (PixelAt(screen, x, ball / 2) == 0)
                    continue;
                if (first < 0)
                    first = x;
                last = x;
            }
            const std::string where = std::to_string(mode.width) + "x" +
                                      std::to_string(mode.height) + " keys " + std::to_string(keys);
            ASSERT_GE(first, 0) << where;
            const int leftGap = first, rightGap = mode.width - 1 - last;
            EXPECT_LE(std::abs(leftGap - rightGap), 2) << where; // the picture's own rounding
            EXPECT_GT(leftGap, 0) << where;
            EXPECT_NEAR(ball * 480.0 / mode.height, 44.0, 1.0) << where;
        }
    }
}
