// Tests of the play scene: set-up from config, geometry, judgement windows, chords, misses,
// combo and life meter, leaving the game, sending in Auto and Self Play, scroll tempo.
#include <gtest/gtest.h>

#include <map>

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

TEST(GameSceneSetUp, KeyCountComesFromConfigAndFallsBackToFour)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 4},
        {"keynum 0\n", 4},
        {"keynum 13\n", 4},
        {"keynum -3\n", 4},
        {"keynum abc\n", 4},
        {"keynum 1\n", 1},
        {"keynum 5\n", 5},
        {"keynum 12\n", 12},
    };
    for (const auto &entry : cases) {
        PlayHarness play(entry.first);
        TestSong song;
        GameScene *scene = play.Start(song);
        EXPECT_EQ(scene->GetKeyNum(), entry.second) << "config: " << entry.first;
    }
}

TEST(GameSceneSetUp, BindingsAndSwitchesFromConfig)
{
    {
        // Defaults: the six-lane layout on the home row; Auto Play, key names shown, speed 100.
        PlayHarness play("keynum 6\n");
        TestSong song;
        GameScene *scene = play.Start(song);
        const int expected[7] = {SDLK_s, SDLK_d, SDLK_f, SDLK_j, SDLK_k, SDLK_l, 0};
        for (int lane = 0; lane < 7; lane++) {
            EXPECT_EQ(scene->GetKey(lane).kind, 0) << lane;
            EXPECT_EQ(scene->GetKey(lane).code, expected[lane]) << lane;
        }
        EXPECT_TRUE(scene->IsAutoPlay());
        EXPECT_TRUE(scene->IsShowKey());
        EXPECT_EQ(scene->GetParameter()->speed, 100);
    }
    {
        // A stored key wins; a name of nothing, "Unknown" and the old fixed default of a lane
        // (D on lane 1, as earlier key configurations wrote it) give the layout's key.
        PlayHarness play("key0 A\nkey1 Joy0_Hat0UP\nkey2 nonsense\nkey3 K\nkey4 Unknown\n"
                         "key5 D\nkey11 Space\nspeed 50\nAutoPlay 0\nshowkey 0\nkeynum 8\n");
        TestSong song;
        GameScene *scene = play.Start(song);
        EXPECT_EQ(scene->GetKey(0).code, SDLK_a);
        EXPECT_EQ(scene->GetKey(1).kind, 1);
        EXPECT_EQ(scene->GetKey(1).joystick, 0);
        EXPECT_EQ(scene->GetKey(1).hat, 0);
        EXPECT_EQ(scene->GetKey(1).code, SDL_HAT_UP);
        EXPECT_EQ(scene->GetKey(2).code, SDLK_d);
        EXPECT_EQ(scene->GetKey(3).code, SDLK_f);
        EXPECT_EQ(scene->GetKey(4).code, SDLK_j);
        EXPECT_EQ(scene->GetKey(5).code, SDLK_d); // D is only an old default on lanes 1-4
        EXPECT_EQ(scene->GetKey(11).code, SDLK_SPACE);
        EXPECT_FALSE(scene->IsAutoPlay());
        EXPECT_FALSE(scene->IsShowKey());
        EXPECT_EQ(scene->GetParameter()->speed, 50);
        EXPECT_EQ(scene->TimeToPos(1000, 0, 500000), 300); // half speed: half a screen per second
    }
    {
        // Out of range: 4 lanes, Auto Play for any non-zero value, the slowest offered speed.
        PlayHarness play("keynum 99\nAutoPlay -7\nshowkey 3\nspeed -5\n");
        TestSong song;
        GameScene *scene = play.Start(song);
        EXPECT_EQ(scene->GetKeyNum(), 4);
        EXPECT_TRUE(scene->IsAutoPlay());
        EXPECT_TRUE(scene->IsShowKey());
        EXPECT_EQ(scene->GetParameter()->speed, 10);
    }
}

TEST(GameSceneSetUp, EveryLaneCountHasItsOwnKeysAndNamesFitTheirLanes)
{
    const int menuKeys[] = {SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN, SDLK_RETURN, SDLK_ESCAPE};
    for (int lanes = 1; lanes <= 12; lanes++) {
        const std::vector<int> keys = LaneKeys::DefaultKeys(lanes);
        ASSERT_EQ(keys.size(), static_cast<size_t>(lanes));
        std::set<int> distinct(keys.begin(), keys.end());
        EXPECT_EQ(distinct.size(), keys.size()) << lanes << " lanes: a key on two lanes";
        for (int key : menuKeys) {
            EXPECT_EQ(distinct.count(key), 0u) << lanes << " lanes use a menu key";
        }
    }
    EXPECT_EQ(LaneKeys::DefaultKeys(8), (std::vector<int>{SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_j,
                                                          SDLK_k, SDLK_l, SDLK_SEMICOLON}));

    // Twelve lanes in Typing Mode with long names: each name stays within its ball.
    PlayHarness play("keynum 12\nkey0 Unknown\nkey1 Back_Space\nkey2 Scroll_Lock\n");
    TestSong song;
    GameScene *scene = play.Start(song);
    for (int lane = 0; lane < 12; lane++) {
        const ImageSet &name = scene->GetKeyNameImage(lane);
        ASSERT_NE(name.surface, nullptr) << lane;
        EXPECT_LE(name.sourceRect.w, scene->GetBallSize()) << lane;
    }
    EXPECT_EQ(scene->GetKey(0).code, SDLK_a);
    EXPECT_EQ(scene->GetKey(1).code, SDLK_BACKSPACE);
}

TEST(GameSceneSetUp, LanesColumnsAndScroll)
{
    PlayHarness play("", 640, 480);
    TestSong song;
    GameScene *scene = play.Start(song);
    // 640 / 13 = 49-pixel columns, balls 90 % of a column; the lanes are centred: the four
    // balls span 3 x 49 + 44 = 191 pixels from (640 - 191) / 2.
    EXPECT_EQ(scene->NoteToPos(60), 224);
    EXPECT_EQ(scene->NoteToPos(61), 273);
    EXPECT_EQ(scene->NoteToPos(67), 371);
    {
        // "lanesleft": the old placement, lane i in column i + 1.
        PlayHarness left("lanesleft 1\n", 640, 480);
        TestSong empty;
        GameScene *old = left.Start(empty);
        EXPECT_EQ(old->NoteToPos(60), 49);
        EXPECT_EQ(old->NoteToPos(61), 98);
        EXPECT_EQ(old->NoteToPos(67), 196);
    }
    EXPECT_EQ(scene->LaneOf(60), 0);
    EXPECT_EQ(scene->LaneOf(67), 3);
    EXPECT_EQ(scene->GetBallSize(), 44);
    // One screen height per second at speed 100 and 120 bpm; twice as far at half the tempo
    // value (balls spaced by beats, not by time).
    EXPECT_EQ(scene->TimeToPos(500, 0, 500000), 240);
    EXPECT_EQ(scene->TimeToPos(1500, 1000, 250000), 480);
    EXPECT_EQ(scene->TimeToPos(900, 1000, 500000), -48);
    // Far beyond the range of int: clamped, not wrapped; a zero tempo does not divide by 0.
    EXPECT_EQ(scene->TimeToPos(2000000000, -2000000000, 1000), INT_MAX);
    EXPECT_EQ(scene->TimeToPos(-2000000000, 2000000000, 1000), INT_MIN);
    EXPECT_EQ(scene->TimeToPos(2000000000, -2000000000, 500000), 1920000000);
    EXPECT_EQ(scene->TimeToPos(10, 0, 0), scene->TimeToPos(10, 0, 1));
}

TEST(GameSceneSetUp, FiveLanesPicturesAndLifeMeterFollowTheScreenSize)
{
    PlayHarness play("keynum 5\nkey1 Joy0_Hat0UP\n", 640, 480);
    TestSong song;
    GameScene *scene = play.Start(song);
    // Target and balls are 90 % of a 49-pixel column, for the lanes in use only.
    EXPECT_EQ(scene->GetBallImage().sourceRect.w, 44);
    EXPECT_EQ(scene->GetBallImage().sourceRect.h, 44);
    for (int lane = 0; lane < 5; lane++) {
        ASSERT_NE(scene->GetLaneImage(lane).surface, nullptr) << lane;
        EXPECT_EQ(scene->GetLaneImage(lane).sourceRect.w, 44) << lane;
        EXPECT_EQ(scene->GetLaneImage(lane).sourceRect.h, 44) << lane;
    }
    EXPECT_EQ(scene->GetLaneImage(5).surface, nullptr);
    // Notes wrap into the five lanes.
    EXPECT_EQ(scene->LaneOf(60), 0);
    EXPECT_EQ(scene->LaneOf(61), 1);
    EXPECT_EQ(scene->LaneOf(64), 4);
    EXPECT_EQ(scene->NoteToPos(64), (640 - 4 * 49 - 44) / 2 + 4 * 49); // centred
    // Key names for keyboard bindings only.
    EXPECT_NE(scene->GetKeyNameImage(0).surface, nullptr);
    EXPECT_EQ(scene->GetKeyNameImage(1).surface, nullptr);
    // The life meter: at the left edge a tenth of the height down, its 100 x 256 strip kept
    // stretched to 480 / 5 = 96 %, 10-pixel frames every 33 ms, half full.
    BaroMeter *meter = scene->GetMeter();
    EXPECT_EQ(meter->position.x, 0);
    EXPECT_EQ(meter->position.y, 48);
    EXPECT_EQ(meter->sourceRect.w, 100);
    EXPECT_NEAR(meter->sourceRect.h, 256 * 96 / 100, 1);
    EXPECT_EQ(meter->frameRect.w, 10);
    EXPECT_EQ(meter->interval, 33);
    EXPECT_DOUBLE_EQ(meter->GetValue(), 50.0);
}

TEST(GameSceneJudgement, TimingWindows)
{
    // One note on lane 0 every second, each pressed with another timing error.
    const int offsets[] = {-9, 9, 10, -10, 49, -50, 50, 99, -99, 100, -149};
    const int expected[] = {3, 3, 2, 2, 2, 1, 1, 1, 1, 0, 0};
    PlayHarness play;
    TestSong song;
    const int count = sizeof offsets / sizeof offsets[0];
    for (int i = 0; i < count; i++)
        song.Note(1000 * (i + 1), 0, 60);
    song.Note(1000 * (count + 1), 0, 60); // pressed 150 ms ahead: out of reach
    play.Start(song);
    for (int i = 0; i < count; i++) {
        play.PressAt(1000 * (i + 1) + offsets[i], KEY_D);
        ASSERT_EQ(play.judgements.size(), static_cast<size_t>(i + 1)) << "offset " << offsets[i];
        EXPECT_EQ(play.judgements.back().value, expected[i]) << "offset " << offsets[i];
        EXPECT_EQ(play.judgements.back().error, std::abs(offsets[i]));
    }
    const int last = 1000 * (count + 1);
    play.PressAt(last - 150, KEY_D);
    EXPECT_EQ(play.judgements.size(), static_cast<size_t>(count));
    // Not hit by that press: it becomes a miss once more than 150 ms late.
    play.RunTo(PlayHarness::START + last + 150);
    EXPECT_EQ(play.judgements.size(), static_cast<size_t>(count));
    play.Step();
    ASSERT_EQ(play.judgements.size(), static_cast<size_t>(count + 1));
    EXPECT_EQ(play.judgements.back().value, GameScene::BAD);
    EXPECT_EQ(play.judgements.back().error, -1);
    GameScene *scene = play.Scene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->GetExcellentCount(), 2);
    EXPECT_EQ(scene->GetGoodCount(), 3);
    EXPECT_EQ(scene->GetOkCount(), 4);
    EXPECT_EQ(scene->GetBadCount(), 3);
}

// A press in the lead-in reaches the notes at the song's start as any press reaches its notes:
// up to 149 ms early, within the OK window up to 99 ms early. A negative offset moves the
// window of the whole first chord into the lead-in, and the misses with it.
TEST(GameSceneJudgement, PressesInTheLeadInReachTheNotesAtTheSongsStart)
{
    struct Case
    {
        const char *config;
        int early; ///< ms before the song's start
        Texts judged;
    };
    const Case cases[] = {
        {"", 1, {"EXCELLENT 1 -1"}},
        {"", 99, {"OK 99 -99"}},
        {"", 100, {"BAD 100 -100"}},
        {"", 149, {"BAD 149 -149"}},
        {"", 150, {"BAD -1 0"}}, // out of reach: missed 150 ms after the start
        {"offset -120\n", 120, {"EXCELLENT 0 0", "EXCELLENT 0 0"}},
        // With the presses taken to lead by 300 ms, a note at the start is missed in the
        // lead-in, 151 ms after its judged time, before a press of that moment is judged.
        {"offset -300\n", 150, {"BAD 150 150"}},
        {"offset -300\n", 149, {"BAD -1 0"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.config) + std::to_string(c.early) + " ms early");
        PlayHarness play(c.config);
        TestSong song;
        song.Note(0, 0, 60);
        if (c.judged.size() == 2)
            song.Note(0, 0, 61);
        play.Start(song);
        play.PressAtClock(PlayHarness::START - c.early, c.judged.size() == 2
                                                            ? std::vector<int>{KEY_D, KEY_F}
                                                            : std::vector<int>{KEY_D});
        play.RunTo(PlayHarness::START + 400);
        EXPECT_EQ(play.Judged(), c.judged);
    }
}

TEST(GameSceneJudgement, LateNotesUntilTheyAreMissed)
{
    PlayHarness play;
    TestSong song;
    song.Note(1000, 0, 60);
    song.Note(2000, 0, 60);
    song.Note(3000, 0, 60);
    play.Start(song);
    // Exactly 150 ms late: still in play.
    play.PressAt(1150, KEY_D);
    ASSERT_EQ(play.judgements.size(), 1u);
    EXPECT_EQ(play.judgements[0].value, GameScene::BAD);
    EXPECT_EQ(play.judgements[0].error, 150);
    // 151 ms late: the note is a miss before the press is judged, however late the turn
    // came (see GameSceneReplay for turns of other lengths); the press reaches nothing.
    play.PressAt(2151, KEY_D);
    ASSERT_EQ(play.judgements.size(), 2u);
    EXPECT_EQ(play.judgements[1].error, -1);
    // Nobody pressing: the miss comes in the frame at 151 ms late, not before.
    play.RunTo(PlayHarness::START + 3150);
    EXPECT_EQ(play.judgements.size(), 2u);
    play.Step();
    ASSERT_EQ(play.judgements.size(), 3u);
    EXPECT_EQ(play.judgements[2].error, -1);
    EXPECT_EQ(play.judgements[2].now, PlayHarness::START + 3151);
}

TEST(GameSceneJudgement, ChordsOnOneLaneAndOnTwoLanes)
{
    PlayHarness play;
    TestSong song;
    song.Note(1000, 0, 60); // lanes 0 and 0: one press
    song.Note(1000, 0, 64);
    song.Note(2000, 0, 60); // lanes 0 and 1, only lane 0 pressed
    song.Note(2000, 0, 61);
    song.Note(3000, 0, 60); // lanes 0 and 1, both pressed
    song.Note(3000, 0, 61);
    song.Note(4000, 0, 60); // one lane, 20 ms apart: two presses needed
    song.Note(4020, 0, 64);
    song.Note(5000, 1, 62); // another part: no judgement, no reaction to the press
    play.Start(song);

    play.PressAt(1000, KEY_D);
    EXPECT_EQ(play.judgements.size(), 2u);
    play.PressAt(2000, KEY_D);
    EXPECT_EQ(play.judgements.size(), 3u);
    play.RunTo(PlayHarness::START + 2151); // the lane-1 note is missed
    EXPECT_EQ(play.judgements.size(), 4u);
    EXPECT_EQ(play.judgements.back().lane, 1);
    EXPECT_EQ(play.judgements.back().error, -1);
    play.PressAt(3000, {KEY_D, KEY_F});
    EXPECT_EQ(play.judgements.size(), 6u);
    play.PressAt(4000, KEY_D);
    EXPECT_EQ(play.judgements.size(), 7u);
    play.PressAt(4020, KEY_D);
    EXPECT_EQ(play.judgements.size(), 8u);
    EXPECT_EQ(play.judgements.back().error, 0);
    play.PressAt(5000, KEY_J);
    EXPECT_EQ(play.judgements.size(), 8u);
    for (const JudgementRecord &record : play.judgements) {
        if (record.error >= 0) {
            EXPECT_EQ(record.value, GameScene::EXCELLENT);
        }
    }
}

TEST(GameSceneJudgement, ComboAndLifeMeter)
{
    PlayHarness play;
    TestSong song;
    for (int i = 1; i <= 6; i++)
        song.Note(500 * i, 0, 60);
    GameScene *scene = play.Start(song);
    EXPECT_DOUBLE_EQ(scene->GetMeter()->GetValue(), 50.0);
    play.PressAt(500, KEY_D);
    play.PressAt(1000, KEY_D);
    play.PressAt(1500, KEY_D);
    EXPECT_EQ(scene->GetCombo(), 3);
    play.PressAt(2000 + 60, KEY_D); // OK breaks the combo
    EXPECT_EQ(scene->GetCombo(), 0);
    EXPECT_EQ(scene->GetMaxCombo(), 3);
    EXPECT_NEAR(scene->GetMeter()->GetValue(), 53.1, 1e-9);
    play.PressAt(2500 + 20, KEY_D); // GOOD
    EXPECT_EQ(scene->GetCombo(), 1);
    EXPECT_NEAR(scene->GetMeter()->GetValue(), 53.6, 1e-9);
    play.RunTo(PlayHarness::START + 3151); // a miss
    EXPECT_EQ(scene->GetCombo(), 0);
    EXPECT_EQ(scene->GetMaxCombo(), 3);
    EXPECT_NEAR(scene->GetMeter()->GetValue(), 51.6, 1e-9);
}

TEST(GameSceneEnd, EscapeIsIgnoredInTheLeadInAndLeavesWithoutResultAfterIt)
{
    PlayHarness play;
    TestSong song;
    song.Note(1000, 0, 60);
    play.Start(song);
    play.RunTo(999);
    play.game.HoldKey(ESCAPE, true);
    play.Step();
    play.game.HoldKey(ESCAPE, false);
    play.RunTo(PlayHarness::START - 1);
    ASSERT_NE(play.Scene(), nullptr);
    EXPECT_FALSE(play.Scene()->IsLeaving());

    play.PressAt(10, ESCAPE);
    EXPECT_TRUE(play.Scene()->IsLeaving());
    const size_t sent = play.capture.Messages().size();
    EXPECT_TRUE(play.IsSweepAt(sent - 2048));
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    EXPECT_EQ(play.Result(), nullptr);
    play.RunTo(PlayHarness::START + 5000);
    EXPECT_EQ(play.capture.Messages().size(), sent);
    EXPECT_EQ(play.highScore, 0);
    EXPECT_EQ(play.highRate, -1);
}

TEST(GameSceneEnd, AnEmptyMeterEndsTheGameAtTheTwentyFifthMiss)
{
    PlayHarness play("AutoPlay 1\n");
    TestSong song;
    for (int i = 1; i <= 30; i++)
        song.Note(100 * i, 0, 60 + i % 4);
    GameScene *scene = play.Start(song);
    play.RunTo(PlayHarness::START + 2400 + 151); // 24 misses
    EXPECT_EQ(play.judgements.size(), 24u);
    EXPECT_DOUBLE_EQ(scene->GetMeter()->GetValue(), 2.0);
    EXPECT_FALSE(scene->IsLeaving());
    play.RunTo(PlayHarness::START + 2500 + 150);
    EXPECT_FALSE(scene->IsLeaving());
    SDL_Surface *screen = play.Manager().GetScreen();
    // The notice's red, in the middle of the screen (where the centred lanes also stand), under
    // the judgement text (BAD is red too).
    auto centreLit = [&] {
        SDL_FillRect(screen, nullptr, 0);
        play.Manager().Draw(screen);
        int red = 0;
        for (int y = 290; y < 350; y++)
            for (int x = 300; x < 500; x++)
                red += PixelAt(screen, x, y) == 0xFF4848u;
        return red;
    };
    EXPECT_EQ(centreLit(), 0);
    play.Step(); // the 25th miss empties the meter
    const Uint32 failedAt = play.now;
    EXPECT_EQ(play.judgements.size(), 25u);
    EXPECT_DOUBLE_EQ(scene->GetMeter()->GetValue(), 0.0);
    EXPECT_TRUE(scene->IsFailed());
    EXPECT_FALSE(scene->IsLeaving());
    // The FAILED notice shows for two seconds; nothing is sent or judged meanwhile.
    const size_t sent = play.capture.Messages().size();
    EXPECT_TRUE(play.IsSweepAt(sent - 2048));
    EXPECT_GT(centreLit(), 0);
    play.PressAt(2700, KEY_J);
    play.RunTo(failedAt + GameScene::FAILED_NOTICE - 1);
    EXPECT_EQ(play.capture.Messages().size(), sent);
    EXPECT_EQ(play.judgements.size(), 25u);
    EXPECT_FALSE(scene->IsLeaving());
    play.Step();
    EXPECT_TRUE(scene->IsLeaving());
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    EXPECT_EQ(play.Result(), nullptr);
    EXPECT_EQ(play.capture.Messages().size(), sent);
    // In Auto Play every note sounded at its time, also those that were missed.
    const auto noteOns = MessagesStartingWith(play.capture, {0x90});
    ASSERT_GE(noteOns.size(), 26u);
    for (int i = 0; i < 26; i++)
        EXPECT_EQ(noteOns[i].time, PlayHarness::START + 100 * (i + 1) + 1) << i;
}

TEST(GameSceneEnd, ResultScreenTwoSecondsAfterTheLastEvent)
{
    PlayHarness play;
    TestSong song;
    song.Note(500, 0, 60);
    song.Note(1000, 0, 61);
    song.Note(1500, 0, 62);
    song.Add(2050, 0xB0, 7, 100); // the last event
    play.Start(song);
    play.PressAt(500, KEY_D);
    play.PressAt(1000, KEY_F);
    play.PressAt(1500, KEY_J);
    play.RunTo(PlayHarness::START + 2051); // the last event goes out; the song is over
    const auto controls = MessagesStartingWith(play.capture, {0xB0, 7});
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].time, PlayHarness::START + 2051);
    EXPECT_TRUE(play.IsSweepAt(play.capture.Messages().size() - 2048));
    play.RunTo(PlayHarness::START + 2051 + 1999);
    EXPECT_FALSE(play.Scene()->IsLeaving());
    play.Step(); // delay below 0
    EXPECT_TRUE(play.Scene()->IsFinished());
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    ScoreScene *result = play.Result();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetPercent(3), 100);
    EXPECT_EQ(result->GetPercent(4), 100);
    EXPECT_EQ(result->GetScore(), 1000000);
    EXPECT_EQ(result->GetRate(), 10);
    EXPECT_EQ(play.highScore, 1000000);
    EXPECT_EQ(play.highRate, 10);
    // The sweep went out once, not every frame of the wait.
    EXPECT_EQ(MessagesStartingWith(play.capture, {0x8F, 127}).size(), 1u);
}

TEST(GameSceneEnd, ASongWithoutNotesOfThePartPlaysThroughToAnEmptyResult)
{
    PlayHarness play;
    TestSong song;
    song.Note(300, 1, 60);
    play.Start(song);
    play.RunTo(PlayHarness::START + 351 + 2001);
    EXPECT_EQ(play.Scene(), nullptr);
    ScoreScene *result = play.Result();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetScore(), 0);
    EXPECT_EQ(play.highScore, 0);
    EXPECT_EQ(play.highRate, 0); // "G" replaces "none"
}

TEST(GameSceneSending, SelfPlaySendsAHitAtTheHitAndAMissNever)
{
    PlayHarness play("AutoPlay 0\n");
    TestSong song;
    song.Note(1000, 0, 60, 200);
    song.Note(2000, 0, 61, 200);  // missed
    song.Note(3000, 0, 62, 50);   // hit 100 ms late, after its Note Off went out
    song.Add(3500, 0xB1, 7, 100); // the song goes on after the late hit
    play.Start(song);
    play.PressAt(1000 - 30, KEY_D);
    play.PressAt(3100, KEY_J);
    play.RunTo(PlayHarness::START + 4000);

    const auto first = MessagesStartingWith(play.capture, {0x90, 60});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].time, PlayHarness::START + 970);
    EXPECT_TRUE(MessagesStartingWith(play.capture, {0x90, 61}).empty());
    // The written Note Offs still go out at their times.
    const auto offs = MessagesStartingWith(play.capture, {0x80, 61});
    ASSERT_GE(offs.size(), 1u);
    EXPECT_EQ(offs[0].time, PlayHarness::START + 2201);

    // The late hit sounds for the note's written length (50 ms) instead of ringing on.
    const auto late = MessagesStartingWith(play.capture, {0x90, 62});
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].time, PlayHarness::START + 3100);
    std::vector<Uint32> endTimes;
    for (const auto &message : MessagesStartingWith(play.capture, {0x80, 62})) {
        if (message.time < PlayHarness::START + 3500 && message.time > PlayHarness::START + 3100)
            endTimes.push_back(message.time);
    }
    ASSERT_EQ(endTimes.size(), 1u);
    EXPECT_EQ(endTimes[0], PlayHarness::START + 3151);
}

TEST(GameSceneSending, ALateLastHitEndsInTheNoteOffSweep)
{
    PlayHarness play("AutoPlay 0\n");
    TestSong song;
    song.Note(1000, 0, 60, 50);
    play.Start(song);
    play.PressAt(1100, KEY_D); // the last record: the song is over in this frame
    ASSERT_EQ(play.judgements.size(), 1u);
    const size_t sent = play.capture.Messages().size();
    ASSERT_TRUE(play.IsSweepAt(sent - 2048));
    EXPECT_EQ(play.capture.Messages()[sent - 2049].bytes,
              (std::vector<unsigned char>{0x90, 60, 100}));
    // The sweep has silenced the note; nothing more goes out while the result is awaited.
    play.RunTo(PlayHarness::START + 1100 + 2001);
    EXPECT_NE(play.Result(), nullptr);
    EXPECT_EQ(play.capture.Messages().size(), sent);
}

TEST(GameSceneScroll, ScrollTempoGlidesToEachNewTempo)
{
    PlayHarness play;
    TestSong song;
    song.Tempo(100, 250000);
    song.Tempo(3000, 1000000);
    song.Tempo(3300, 400000); // arrives during the glide to 1000000
    song.Tempo(6000, 0);      // a broken tempo value must not stop the game
    song.Note(7000, 0, 60);
    GameScene *scene = play.Start(song);
    EXPECT_EQ(scene->GetScrollTempo(), 500000);

    int previous = scene->GetScrollTempo();
    int reached = -1;
    while (play.now < PlayHarness::START + 3000) {
        play.Step();
        const int tempo = scene->GetScrollTempo();
        EXPECT_LE(tempo, previous);
        EXPECT_GE(tempo, 250000);
        if (tempo == 250000 && reached < 0)
            reached = static_cast<int>(play.now - PlayHarness::START);
        previous = tempo;
    }
    // Set Tempo goes out at 101; the glide takes TEMPO_GLIDE ms (one frame of rounding).
    EXPECT_GE(reached, 101 + GameScene::TEMPO_GLIDE - 2);
    EXPECT_LE(reached, 101 + GameScene::TEMPO_GLIDE + 1);
    EXPECT_EQ(scene->GetBaseTempo(), 250000);

    int highest = 0;
    while (play.now < PlayHarness::START + 5000) {
        play.Step();
        highest = std::max(highest, scene->GetScrollTempo());
        EXPECT_LE(scene->GetScrollTempo(), 1000000);
    }
    EXPECT_LT(highest, 1000000); // turned back before it got there
    EXPECT_EQ(scene->GetScrollTempo(), 400000);
    play.RunTo(PlayHarness::START + 7000);
    play.Manager().Draw(play.Manager().GetScreen());
    play.PressAt(7000, KEY_D);
    ASSERT_EQ(play.judgements.size(), 1u);
    EXPECT_EQ(play.judgements[0].value, GameScene::EXCELLENT);
}

TEST(GameSceneSetUp, DefaultKeysSitOnTheHomeRowSplitBetweenTheHands)
{
    // Where each key lies on a keyboard, left to right (half steps for the bottom row's V and
    // N, under the index fingers); the hands rest on A S D F and J K L ;, thumbs on Space.
    const std::map<int, double> column = {
        {SDLK_a, 0},   {SDLK_s, 1},          {SDLK_d, 2},    {SDLK_f, 3}, {SDLK_g, 4},
        {SDLK_v, 4.5}, {SDLK_h, 6},          {SDLK_n, 5.5},  {SDLK_j, 7}, {SDLK_k, 8},
        {SDLK_l, 9},   {SDLK_SEMICOLON, 10}, {SDLK_SPACE, 5}};
    for (int lanes = 1; lanes <= 12; lanes++) {
        const std::vector<int> keys = LaneKeys::DefaultKeys(lanes);
        ASSERT_EQ(keys.size(), static_cast<size_t>(lanes));
        int left = 0, right = 0;
        for (size_t lane = 0; lane < keys.size(); lane++) {
            ASSERT_EQ(column.count(keys[lane]), 1u) << lanes << " lanes, lane " << lane;
            const double at = column.at(keys[lane]);
            left += at < 5;
            right += at > 5;
            if (lane > 0) { // lanes run left to right as the keys do
                EXPECT_LT(column.at(keys[lane - 1]), at) << lanes << " lanes, lane " << lane;
            }
        }
        EXPECT_EQ(left, right) << lanes << " lanes: as many keys for each hand";
        EXPECT_EQ(left + right + 1 == lanes, keys[static_cast<size_t>(lanes / 2)] == SDLK_SPACE)
            << lanes << " lanes: Space in the middle exactly when the count is odd";
        // Each hand starts from its index finger (F, J) and takes the next keys outward.
        if (lanes >= 2 && lanes <= 8) {
            EXPECT_EQ(keys[static_cast<size_t>(left - 1)], SDLK_f) << lanes << " lanes";
            EXPECT_EQ(keys[static_cast<size_t>(lanes - right)], SDLK_j) << lanes << " lanes";
        }
    }
    // A count the game does not offer plays with the four-lane keys.
    for (int lanes : {0, 13, -1})
        EXPECT_EQ(LaneKeys::DefaultKeys(lanes), LaneKeys::DefaultKeys(4)) << lanes;
}

TEST(GameSceneSetUp, AStoredSpeedBetweenTwoStepsPlaysAtTheStepBelow)
{
    // The options offer steps of 10 %; an edited 135 plays as the 130 the options show.
    for (const auto &stored : std::vector<std::pair<const char *, int>>{
             {"speed 135\n", 130}, {"speed 19\n", 10}, {"speed 189\n", 180}}) {
        PlayHarness play(stored.first);
        GameScene *scene = play.Start(TestSong().MakeParameter(0, nullptr, nullptr));
        EXPECT_EQ(scene->GetParameter()->speed, stored.second) << stored.first;
    }
}

TEST(GameSceneJudgement, AtAnyPracticeTempoTheWindowsAreThePlayersMilliseconds)
{
    // Notes every 1000 ms of the player's time at 70 %, 150 % and 120 %; each pressed with
    // an error in the player's ms at a window's edge, and the last one never pressed.
    for (int tempo : {70, 150, 120}) {
        PlayHarness play;
        TestSong song;
        const int offsets[] = {9, -10, 49, -50, 99, -120};
        const int count = sizeof offsets / sizeof offsets[0];
        for (int i = 1; i <= count + 1; i++)
            song.Note(i * 10 * tempo, 0, 60); // i seconds of the player's time
        play.Start(song, 0, tempo);
        for (int i = 1; i <= count; i++)
            play.PressAtClock(PlayHarness::START + i * 1000 + offsets[i - 1], {KEY_D});
        play.RunTo(PlayHarness::START + (count + 1) * 1000 + 150);
        // A press up to 150 ms of the player's time early still takes its note, as BAD.
        EXPECT_EQ(play.Judged(), (Texts{"EXCELLENT 9 9", "GOOD 10 -10", "GOOD 49 49", "OK 50 -50",
                                        "OK 99 99", "BAD 120 -120"}))
            << tempo << " %";
        play.Step(); // a miss once more than 150 ms of the player's time late
        ASSERT_EQ(play.judgements.size(), static_cast<size_t>(count + 1)) << tempo << " %";
        EXPECT_EQ(play.Judged().back(), "BAD -1 0") << tempo << " %";
    }
}
