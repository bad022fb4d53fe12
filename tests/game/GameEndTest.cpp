// Tests of how a game ends: no-fail practice, the result after a fail, the demo that plays
// itself, a retry from the result screen and the new-record label.
#include <gtest/gtest.h>

#include <SDL.h>

#include "game/PlayHarness.h"

namespace {
using Texts = std::vector<std::string>;

// 40 notes of the part on lane 0, 250 ms apart from 1000 ms: missing them all empties the life
// meter (50, less 2 a miss) at the 25th.
void ManyNotes(TestSong &song)
{
    for (int n = 0; n < 40; n++)
        song.Note(1000 + 250 * n, 0, 60, 100);
    song.Note(1000, 1, 40, 12000); // accompaniment to the end
}

// Plays the song unpressed at 'tempo' percent with the config; true when a result came.
struct Outcome
{
    bool failed = false;
    bool result = false;
    bool resultFailed = false;
    bool resultPractice = false;
    int highScore = 0;
    int highRate = 0;
};
Outcome PlayUnpressed(const std::string &config, int tempo)
{
    PlayHarness play(config);
    play.highScore = 5000;
    play.highRate = -1;
    TestSong song;
    ManyNotes(song);
    play.Start(song, 0, tempo);
    Outcome outcome;
    for (Uint32 t = 0; t < 40000 && play.Result() == nullptr; t += 10) {
        play.RunTo(play.now + 10);
        if (play.Scene() != nullptr && play.Scene()->IsFailed())
            outcome.failed = true;
    }
    outcome.result = play.Result() != nullptr;
    if (outcome.result) {
        outcome.resultFailed = play.Result()->IsFailed();
        outcome.resultPractice = play.Result()->IsPractice();
    }
    outcome.highScore = play.highScore;
    outcome.highRate = play.highRate;
    return outcome;
}
} // namespace

// An empty life meter ends a recorded game (back to the songs, or to a result marked FAILED
// with "failresult"), but never a practice game while "nofail" is 1 (the default); "nofail 2"
// makes every game a no-fail game, and none of them is recorded.
TEST(GameEnd, NoFailPracticeAndTheResultAfterAFail)
{
    const Outcome normal = PlayUnpressed("", 100);
    EXPECT_TRUE(normal.failed);
    EXPECT_FALSE(normal.result) << "today's default: back to the songs";

    const Outcome practice = PlayUnpressed("", 90);
    EXPECT_FALSE(practice.failed);
    EXPECT_TRUE(practice.result);
    EXPECT_TRUE(practice.resultPractice);
    EXPECT_EQ(practice.highRate, -1) << "a practice game stores nothing";

    const Outcome strict = PlayUnpressed("nofail 0\n", 90);
    EXPECT_TRUE(strict.failed);
    EXPECT_FALSE(strict.result);

    const Outcome always = PlayUnpressed("nofail 2\n", 100);
    EXPECT_FALSE(always.failed);
    EXPECT_TRUE(always.result);
    EXPECT_TRUE(always.resultPractice);
    EXPECT_EQ(always.highRate, -1);

    const Outcome shown = PlayUnpressed("failresult 1\n", 100);
    EXPECT_TRUE(shown.failed);
    EXPECT_TRUE(shown.result);
    EXPECT_TRUE(shown.resultFailed);
    EXPECT_EQ(shown.highScore, 5000);
    EXPECT_EQ(shown.highRate, -1) << "a failed game stores nothing, not even rate G";
}

// A demo presses every note of the part on its time, whatever the lane keys and the offset
// do, ends on a result of only EXCELLENT and stores nothing.
TEST(GameEnd, TheDemoPlaysEveryNoteExcellentAndIsNeverRecorded)
{
    for (const char *config : {"AutoPlay 0\noffset -200\n", "AutoPlay 1\n"}) {
        PlayHarness play(config);
        TestSong song;
        ManyNotes(song);
        song.Note(3000, 0, 61, 100); // a chord across two lanes
        GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
        param->demo = true;
        play.Start(param);
        play.PressAt(1500 - 60, SDLK_d); // the player's keys do nothing
        play.RunTo(PlayHarness::START + 20000);
        ASSERT_EQ(play.judgements.size(), 41u) << config;
        EXPECT_EQ(play.Judged(), Texts(41, "EXCELLENT 0 0")) << config;
        ASSERT_NE(play.Result(), nullptr);
        EXPECT_TRUE(play.Result()->IsDemo());
        EXPECT_EQ(play.Result()->GetScore(), 1000000);
        EXPECT_EQ(play.Result()->GetRecordLabel(), nullptr);
        EXPECT_EQ(play.highScore, 0);
        EXPECT_EQ(play.highRate, -1);
        // The part sounds on its own time, not the player's offset away from it.
        Uint32 firstNoteOn = 0;
        for (const auto &message : play.capture.Messages())
            if (firstNoteOn == 0 && message.bytes.size() == 3 && message.bytes[0] == 0x90 &&
                message.bytes[1] == 60 && message.bytes[2] > 0)
                firstNoteOn = message.time;
        EXPECT_NEAR(static_cast<double>(firstNoteOn), PlayHarness::START + 1000.0, 2.0) << config;
    }
}

// The demo's presses are on the notes' times also when the machine is busy and a frame comes
// 300 ms late.
TEST(GameEnd, TheDemoStaysPerfectThroughALateFrame)
{
    PlayHarness play;
    TestSong song;
    ManyNotes(song);
    GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
    param->demo = true;
    play.Start(param);
    play.RunTo(PlayHarness::START + 1900);
    play.now += 300; // one frame over the notes at 2000 and 2250 ms
    play.game.Iterate(play.now);
    play.RunTo(PlayHarness::START + 20000);
    EXPECT_EQ(play.Judged(), Texts(40, "EXCELLENT 0 0"));
}

// A record set shows "NEW RECORD"; R on the result plays the same song, part and tempo again
// in its place.
TEST(GameEnd, ANewRecordIsShownAndRRetriesTheSameGame)
{
    PlayHarness play("AutoPlay 0\n");
    TestSong song;
    song.Note(1000, 0, 60, 100);
    song.Note(2000, 0, 61, 100);
    play.Start(song, 0, 100);
    play.PressAt(1000, SDLK_d);
    play.PressAt(2000, SDLK_f);
    play.RunTo(PlayHarness::START + 6000);
    ScoreScene *result = play.Result();
    ASSERT_NE(result, nullptr);
    EXPECT_NE(result->GetRecordLabel(), nullptr);
    EXPECT_EQ(play.highScore, 1000000);
    ASSERT_TRUE(result->CanRetry());

    SDL_Event r{};
    r.type = SDL_KEYDOWN;
    r.key.keysym.sym = SDLK_r;
    SDL_PushEvent(&r);
    play.RunTo(play.now + 5);
    EXPECT_EQ(play.Result(), nullptr);
    GameScene *again = play.Scene();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetParameter()->part, 0);
    EXPECT_EQ(again->GetParameter()->highScore, &play.highScore);
    EXPECT_EQ(again->GetExcellentCount(), 0);
    // The game runs again from its start: the first note can be hit.
    play.PressAtClock(play.now + GameScene::LEAD_IN + 1000, {SDLK_d});
    EXPECT_EQ(again->GetExcellentCount() + again->GetGoodCount(), 1);
}
