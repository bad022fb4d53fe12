// Tests of the play scene's picture and timing: rising balls, held lanes, combo, key names,
// the judgement text, error scale and progress bar; the device latency and the player's offset.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <set>
#include <vector>

#include "game/HitErrorMeter.h"
#include "game/JudgementDisplay.h"
#include "game/LaneKeys.h"
#include "game/PlayHarness.h"
#include "game/ScreenPixels.h"
#include "widgets/BaroMeter.h"

namespace {
const int KEY_D = SDLK_d; // lane 0 by default
const int KEY_F = SDLK_f; // lane 1
const int KEY_J = SDLK_j; // lane 2
const int ESCAPE = SDLK_ESCAPE;
using Texts = std::vector<std::string>;

} // namespace

TEST(GameSceneDraw, BallsRiseToTheTargetsAndFarNotesStayOffScreen)
{
    PlayHarness play("", 640, 480);
    TestSong song;
    song.Note(500, 0, 60);
    // 137034 ms ahead: 65776 pixels down, which as a 16-bit coordinate would be 240.
    song.Note(137034, 0, 61);
    GameScene *scene = play.Start(song);
    play.RunTo(PlayHarness::START);
    SDL_Surface *screen = play.Manager().GetScreen();
    play.Manager().Draw(screen);
    const int ball = scene->GetBallSize();
    const int x0 = scene->NoteToPos(60), x1 = scene->NoteToPos(61); // 224 and 273
    // Lane 0's ball, 500 ms ahead, stands 240 pixels down; lane 1 has nothing there.
    EXPECT_NE(PixelAt(screen, x0 + ball / 2, 240 + ball / 2), 0u);
    EXPECT_EQ(PixelAt(screen, x0 + ball / 2, 240 + ball + 10), 0u);
    EXPECT_EQ(PixelAt(screen, x1 + ball / 2, 240 + ball / 2), 0u);
    // The targets stand at the top of the four lanes, nothing a column before or after them.
    for (int lane = -1; lane <= 4; lane++)
        EXPECT_EQ(PixelAt(screen, x0 + 49 * lane + ball / 2, ball / 2) != 0u, lane >= 0 && lane < 4)
            << lane;
    // Half a second later the ball covers its target.
    play.RunTo(PlayHarness::START + 500);
    play.Manager().Draw(screen);
    EXPECT_EQ(PixelAt(screen, x0 + ball / 2, 240 + ball / 2), 0u);
}

TEST(GameSceneDraw, HeldLanesAndTheSteadyComboBesideTheLanes)
{
    PlayHarness play("", 640, 480);
    TestSong song;
    song.Note(500, 0, 60);
    song.Note(600, 0, 60);
    song.Note(700, 0, 60);
    song.Note(5000, 0, 61); // far below the screen while the combo is checked
    GameScene *scene = play.Start(song);
    SDL_Surface *screen = play.Manager().GetScreen();
    play.PressAt(500, KEY_D);
    play.PressAt(600, KEY_D);
    EXPECT_EQ(scene->GetCombo(), 2);

    // The combo stands right of the lanes (whose balls end at 224 + 3 x 49 + 44 = 415), half a
    // column off, at H / 2, with its number under it (the 640 - 439 pixels left are too few
    // for the word and 4 digits side by side), steadily (no blinking); nothing over the lanes.
    const int comboHeight = 40; // the "Combo" picture
    const int lanesLeft = 224, lanesRight = 415, left = lanesRight + 24;
    EXPECT_EQ(scene->GetLayout().GetRight(), lanesRight);
    for (Uint32 clock : {2200u, 2249u, 2250u, 2290u}) {
        play.RunTo(clock);
        SDL_FillRect(screen, nullptr, 0);
        play.Manager().Draw(screen);
        EXPECT_GT(LitIn(screen, left, 240, 30, comboHeight), 0) << clock;
        EXPECT_GT(LitIn(screen, left, 240 + comboHeight, 60, 40), 0) << clock;
        EXPECT_EQ(LitIn(screen, lanesLeft, 230, lanesRight - lanesLeft, 100), 0) << clock;
        EXPECT_EQ(LitIn(screen, 640 - 1, 240, 1, 80), 0) << clock; // within the screen
    }
    // A held lane shows its ball behind the (mostly see-through) target.
    const int centre = lanesLeft + 49 + 22; // lane 1's column, middle of the 44-pixel ball
    const Uint32 target = PixelAt(screen, centre, 22);
    play.game.HoldKey(KEY_F, true);
    play.Step();
    play.Manager().Draw(screen);
    EXPECT_NE(PixelAt(screen, centre, 22), target);
    play.game.HoldKey(KEY_F, false);
    play.Step();
    play.Manager().Draw(screen);
    EXPECT_EQ(PixelAt(screen, centre, 22), target);
}

TEST(GameSceneDraw, KeyNamesAreCentredOnTheirBalls)
{
    // The same moment drawn with and without key names: the names are all that differs, and
    // they lie inside a box of the name's size centred on the ball.
    std::vector<Uint32> screens[2];
    int nameWidth = 0, nameHeight = 0, laneX = 0;
    for (int showKey = 0; showKey < 2; showKey++) {
        PlayHarness play(showKey ? "showkey 1\n" : "showkey 0\n", 640, 480);
        TestSong song;
        song.Note(1000, 0, 60);
        GameScene *scene = play.Start(song);
        play.RunTo(PlayHarness::START + 500); // the ball stands 240 pixels down in lane 0
        laneX = scene->NoteToPos(60);
        play.Manager().Draw(play.Manager().GetScreen());
        screens[showKey] = Pixels(play.Manager().GetScreen());
        nameWidth = scene->GetKeyNameImage(0).sourceRect.w;
        nameHeight = scene->GetKeyNameImage(0).sourceRect.h;
    }
    ASSERT_GT(nameWidth, 0);
    const int centreX = laneX + 22, centreY = 240 + 22;
    int differing = 0;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            if (screens[0][y * 640 + x] == screens[1][y * 640 + x])
                continue;
            differing++;
            EXPECT_LE(std::abs(2 * x + 1 - 2 * centreX), nameWidth + 2) << x << "," << y;
            EXPECT_LE(std::abs(2 * y + 1 - 2 * centreY), nameHeight + 2) << x << "," << y;
        }
    }
    EXPECT_GT(differing, 0);
}

TEST(GameSceneTiming, AutoPlaySendsTheDeviceLatencyEarlyWhateverThePressAndJudgesOnTheNote)
{
    PlayHarness play("AutoPlay 1\n");
    play.capture.SetLatencyMs(40);
    TestSong song;
    song.Add(0, 0xC1, 5, 0); // due at the start: goes out in the lead-in
    song.Note(1000, 0, 60, 200);
    song.Note(1500, 1, 64, 100); // accompaniment
    song.Note(2000, 0, 61, 200);
    song.Note(3000, 0, 62, 200); // never pressed
    GameScene *scene = play.Start(song);
    EXPECT_EQ(scene->GetLatency().GetOutputLatency(), 40);
    // In Auto Play a press neither moves a note's sending nor sends it again: pressed 45 ms
    // early, and 10 ms late.
    play.PressAt(1000 - 45, KEY_D);
    play.PressAt(2000 + 10, KEY_F);
    play.RunTo(PlayHarness::START + 3000 + 150);
    EXPECT_EQ(play.judgements.size(), 2u); // 150 ms late is still in play
    play.Step();
    ASSERT_EQ(play.judgements.size(), 3u);
    play.RunTo(PlayHarness::START + 3300);
    // Without latency an event at t leaves at START + t + 1; here 40 ms before that.
    const Uint32 s = PlayHarness::START - 39;
    auto at = [s](int t, const char *bytes) { return std::to_string(s + t) + bytes; };
    const std::vector<std::string> expected = {
        at(0, " C1 05"),       at(1000, " 90 3C 64"), at(1200, " 80 3C 00"), at(1500, " 91 40 64"),
        at(1600, " 81 40 00"), at(2000, " 90 3D 64"), at(2200, " 80 3D 00"), at(3000, " 90 3E 64"),
        at(3200, " 80 3E 00"), at(3200, " stop")};
    EXPECT_EQ(play.Sent(), expected);
    EXPECT_EQ(play.Judged(), (Texts{"GOOD 45 -45", "GOOD 10 10", "BAD -1 0"}));
    EXPECT_EQ(play.judgements[2].now, PlayHarness::START + 3151);
}

TEST(GameSceneTiming, TheOffsetMovesJudgementAndBallsButNotSending)
{
    for (const auto &config : std::vector<std::pair<std::string, int>>{
             {"AutoPlay 0\noffset 30\n", 30}, {"AutoPlay 0\noffset -900\n", -300}, {"", 0}}) {
        PlayHarness play(config.first, 640, 480);
        EXPECT_EQ(
            play.Start(TestSong().MakeParameter(0, nullptr, nullptr))->GetLatency().GetUserOffset(),
            config.second)
            << config.first;
    }
    PlayHarness play("AutoPlay 0\noffset 30\n", 640, 480);
    play.capture.SetLatencyMs(20);
    TestSong song;
    song.Note(1000, 0, 60, 100);
    song.Note(2000, 0, 61, 100);
    song.Note(3000, 0, 62, 100);
    song.Note(4000, 1, 64, 100);
    play.Start(song);
    play.PressAt(1000 + 30, KEY_D); // on time once the 30 ms are taken off
    play.PressAt(2000, KEY_F);      // 30 ms early
    play.PressAt(3000 + 30 + 9, KEY_J);
    EXPECT_EQ(play.Judged(), (Texts{"EXCELLENT 0 0", "GOOD 30 -30", "EXCELLENT 9 9"}));
    // Self Play: a hit sounds at the press; the accompaniment still leaves 20 ms early.
    play.RunTo(PlayHarness::START + 4500);
    const auto noteOns = MessagesStartingWith(play.capture, {0x90});
    ASSERT_EQ(noteOns.size(), 3u);
    EXPECT_EQ(noteOns[0].time, PlayHarness::START + 1030);
    EXPECT_EQ(MessagesStartingWith(play.capture, {0x91}).at(0).time,
              PlayHarness::START + 4000 + 1 - 20);

    // A ball stands on its target when a press is judged on time: 30 ms after the note, where
    // without an offset it stands at the note's time.
    const auto reference = FirstLaneTopAt("", 100, PlayHarness::START + 1000);
    EXPECT_EQ(FirstLaneTopAt("offset 30\n", 100, PlayHarness::START + 1030), reference);
    EXPECT_NE(FirstLaneTopAt("offset 30\n", 100, PlayHarness::START + 1000), reference);
}

// At half tempo the device's latency and the player's offset are still milliseconds of the
// player's time: events leave 40 ms before they sound, a press 30 ms after a note is on time,
// its ball stands on the target then, and a note is missed 30 ms later than without the offset.
TEST(GameSceneTiming, AtHalfTempoTheLatencyAndTheOffsetStayInThePlayersTime)
{
    PlayHarness play("AutoPlay 0\noffset 30\n");
    play.capture.SetLatencyMs(40);
    TestSong song;
    song.Note(1000, 0, 60, 100);
    song.Note(2000, 0, 61, 100); // never pressed
    song.Note(3000, 1, 64, 100); // accompaniment
    play.Start(song, 0, 50);
    play.PressAt(2000 + 30, KEY_D);
    play.RunTo(PlayHarness::START + 8000);
    ASSERT_EQ(play.Judged(), (Texts{"EXCELLENT 0 0", "BAD -1 0"}));
    EXPECT_EQ(play.judgements[1].now, PlayHarness::START + 4000 + 30 + 151);
    const auto accompaniment = MessagesStartingWith(play.capture, {0x91});
    ASSERT_EQ(accompaniment.size(), 1u);
    EXPECT_EQ(accompaniment[0].time, PlayHarness::START + 6000 + 1 - 40);

    const auto reference = FirstLaneTopAt("", 50, PlayHarness::START + 2000);
    EXPECT_EQ(FirstLaneTopAt("offset 30\n", 50, PlayHarness::START + 2030), reference);
    EXPECT_NE(FirstLaneTopAt("offset 30\n", 50, PlayHarness::START + 2000), reference);
}

TEST(GameSceneDraw, OneJudgementTextTheErrorScaleAndTheProgressBar)
{
    PlayHarness play("", 640, 480);
    TestSong song;
    song.Note(1000, 0, 60);
    song.Note(1000, 0, 61);
    song.Note(2000, 0, 62);
    song.Note(3000, 0, 63);
    song.Note(4000, 0, 60, 0); // the song ends at 4000 ms
    GameScene *scene = play.Start(song);
    EXPECT_EQ(scene->GetSongLength(), 4000);
    JudgementDisplay *display = scene->GetJudgementDisplay();
    HitErrorMeter *scale = scene->GetHitErrorMeter();
    SDL_Surface *screen = play.Manager().GetScreen();
    auto draw = [&] {
        SDL_FillRect(screen, nullptr, 0);
        play.Manager().Draw(screen);
    };

    // Two lanes hit in one frame, 30 ms early: one text (the latest), a bar under each lane.
    play.PressAt(1000 - 30, std::vector<int>{KEY_D, KEY_F});
    EXPECT_EQ(display->GetShownValue(), GameScene::GOOD);
    EXPECT_EQ(display->GetLaneFlash(0), GameScene::GOOD);
    EXPECT_EQ(display->GetLaneFlash(1), GameScene::GOOD);
    EXPECT_EQ(display->GetLaneFlash(2), -1);
    EXPECT_EQ(scale->GetTickCount(), 2);
    EXPECT_DOUBLE_EQ(scale->GetMean(), -30.0);
    draw();
    const int ball = scene->GetBallSize(); // 44: the scale's top is at ball + 8
    const int early = scale->XOf(-30);
    EXPECT_LT(early, scale->XOf(0));
    EXPECT_EQ(PixelAt(screen, early, ball + 9), 0x60FF60u); // the tick, GOOD's green
    EXPECT_NE(PixelAt(screen, early, ball + 9), PixelAt(screen, scale->XOf(30), ball + 9));
    const int x0 = scene->NoteToPos(60);
    EXPECT_EQ(PixelAt(screen, x0 + 11, ball + 2), 0x60FF60u); // the bar under lane 0
    EXPECT_GT(LitIn(screen, x0, 160, 4 * 49, 60), 100);       // the text over the lanes

    // A late hit moves the mean; the bars and the text go after their time, the ticks fade.
    play.PressAt(2000 + 60, KEY_J);
    EXPECT_EQ(display->GetShownValue(), GameScene::OK);
    EXPECT_DOUBLE_EQ(scale->GetMean(), 0.0); // (-30 - 30 + 60) / 3
    play.RunTo(PlayHarness::START + 2060 + JudgementDisplay::SHOW);
    EXPECT_EQ(display->GetShownValue(), -1);
    EXPECT_EQ(display->GetLaneFlash(2), -1);
    EXPECT_EQ(scale->GetTickCount(), 3);

    // A miss shows BAD but puts no tick on the scale.
    play.RunTo(PlayHarness::START + 3151);
    EXPECT_EQ(display->GetShownValue(), GameScene::BAD);
    EXPECT_EQ(display->GetLaneFlash(3), GameScene::BAD);
    EXPECT_EQ(scale->GetTickCount(), 3);

    // Progress along the bottom edge: at 3151 of 4000 ms, 504 of 640 pixels lit brightly.
    draw();
    EXPECT_EQ(PixelAt(screen, 504 - 2, 478), 0xC0C0C0u);
    EXPECT_EQ(PixelAt(screen, 504 + 2, 478), 0x404040u);

    play.RunTo(PlayHarness::START + 2060 + HitErrorMeter::FADE);
    EXPECT_EQ(scale->GetTickCount(), 0);
}

// Every offset the settings allow is playable: presses exactly the offset after each note are
// EXCELLENT, and each ball stands on its target at that moment, also for offsets beyond the
// hit window (a player who taps 200 ms early).
TEST(GameSceneTiming, EveryAllowedOffsetCanBePlayed)
{
    const auto reference = FirstLaneTopAt("", 100, PlayHarness::START + 1000);
    for (int offset : {-LatencyCompensation::MAX_OFFSET, -200, -160, -150, -149, 150, 200,
                       LatencyCompensation::MAX_OFFSET}) {
        const std::string config = "AutoPlay 0\noffset " + std::to_string(offset) + "\n";
        PlayHarness play(config);
        TestSong song;
        for (int n = 0; n < 6; n++)
            song.Note(1000 + 400 * n, 0, 60 + n % 4, 100);
        play.Start(song);
        const int laneKeys[4] = {KEY_D, KEY_F, KEY_J, SDLK_k};
        for (int n = 0; n < 6; n++)
            play.PressAt(1000 + 400 * n + offset, laneKeys[n % 4]);
        play.RunTo(PlayHarness::START + 5000);
        EXPECT_EQ(play.Judged(), Texts(6, "EXCELLENT 0 0")) << "offset " << offset;
        EXPECT_EQ(FirstLaneTopAt(config, 100, PlayHarness::START + 1000 + offset), reference)
            << "offset " << offset;
    }
}
