// Tests of the play scene's rules at their exact edges: the chord reach, the life meter that
// empties, the in-play accuracy line, and what a retried game carries on.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "game/PlayHarness.h"
#include "game/PlayHud.h"
#include "game/ReplayStore.h"
#include "song/PlayHistory.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"
#include "widgets/BaroMeter.h"

namespace {

const int KEY_D = SDLK_d; // lane 0 of 4
const int KEYS[4] = {SDLK_d, SDLK_f, SDLK_j, SDLK_k};

// The accuracy the play scene shows, drawn at the harness's clock.
std::string AccuracyShown(PlayHarness &play)
{
    play.game.SetTime(play.now);
    ScreenLayout::Draw(play.Manager());
    return play.Scene()->GetHud()->GetAccuracyShown();
}

void PressKey(int key)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = static_cast<SDLKey>(key);
    SDL_PushEvent(&event);
}

} // namespace

// One press reaches the notes of its lane up to 16 ms after the note it hits (measured from that
// note, not from the press, and not from note to note); 17 ms after it needs a press of its own.
TEST(PlayRules, APressReachesTheSameLanesNotesUpTo16MsAfterTheNoteItHits)
{
    PlayHarness play;
    TestSong song;
    song.Note(1000, 0, 60); // notes 60, 64 and 68 are all on lane 0 of 4
    song.Note(1016, 0, 64);
    song.Note(2000, 0, 60);
    song.Note(2017, 0, 64);
    song.Note(3000, 0, 60);
    song.Note(3016, 0, 64);
    song.Note(3032, 0, 68);
    song.Note(5000, 0, 60);
    song.Note(5016, 0, 64);
    play.Start(song);

    play.PressAt(1000, KEY_D);
    EXPECT_EQ(play.Judged(), (std::vector<std::string>{"EXCELLENT 0 0", "GOOD 16 -16"}));
    play.judgements.clear();
    play.PressAt(2000, KEY_D);
    EXPECT_EQ(play.Judged(), (std::vector<std::string>{"EXCELLENT 0 0"}));
    play.PressAt(2017, KEY_D);
    EXPECT_EQ(play.Judged(), (std::vector<std::string>{"EXCELLENT 0 0", "EXCELLENT 0 0"}));
    play.judgements.clear();
    play.PressAt(3000, KEY_D);
    EXPECT_EQ(play.judgements.size(), 2u) << "3032 is 32 ms after the note hit";
    play.PressAt(3032, KEY_D);
    EXPECT_EQ(play.judgements.size(), 3u);
    play.judgements.clear();
    // 10 ms early: the second note is 26 ms after the press but 16 after the note hit.
    play.PressAt(4990, KEY_D);
    EXPECT_EQ(play.Judged(), (std::vector<std::string>{"GOOD 10 -10", "GOOD 26 -26"}));
}

// The life meter holds at most 100: after 60 hits on time (+1 each) it is full, not 110, so the
// 50th miss (-2 each) empties it and fails the game; the 49th leaves 2.
TEST(PlayRules, TheJudgementThatBringsAFullMeterExactlyToZeroFailsTheGame)
{
    PlayHarness play;
    TestSong song;
    for (int i = 1; i <= 110; i++)
        song.Note(100 * i, 0, 60 + i % 4);
    GameScene *scene = play.Start(song);
    for (int i = 1; i <= 60; i++)
        play.PressAt(100 * i, KEYS[i % 4]);
    EXPECT_DOUBLE_EQ(scene->GetMeter()->GetValue(), 100.0);
    play.RunTo(PlayHarness::START + 6100 + 48 * 100 + 151); // the 49th miss
    ASSERT_EQ(play.judgements.size(), 109u);
    EXPECT_DOUBLE_EQ(scene->GetMeter()->GetValue(), 2.0);
    EXPECT_FALSE(scene->IsFailed());
    play.RunTo(PlayHarness::START + 11000 + 150);
    EXPECT_FALSE(scene->IsFailed());
    play.Step(); // the 50th
    ASSERT_EQ(play.judgements.size(), 110u);
    EXPECT_TRUE(scene->IsFailed());
}

// The accuracy line weighs the judged notes as the rank does: 3 x the EXCELLENT percent, 2 x the
// GOOD percent and the OK percent, each a whole percent of the notes judged so far, over 3.
TEST(PlayRules, TheAccuracyLineWeighsTheJudgedNotesAsTheRankDoes)
{
    ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en"));
    EXPECT_EQ(PlayHud::AccuracyPoints(0, 0, 0, 0), -1);
    EXPECT_EQ(PlayHud::AccuracyPoints(0, 0, 2, 1), 3 * 33 + 2 * 66); // percents cut, not rounded
    EXPECT_EQ(PlayHud::AccuracyPoints(4, 3, 2, 1), 3 * 10 + 2 * 20 + 30);
    EXPECT_EQ(PlayHud::AccuracyPoints(7, 0, 0, 0), 0);
    EXPECT_EQ(PlayHud::AccuracyText(299), "Accuracy 99 %");

    // In play: 1 EXCELLENT, 2 GOOD, 3 OK and 4 BAD (two late presses, two misses): every
    // judgement in its own count, so that a count handed over in another's place shows.
    const int lateness[] = {0, 20, 20, 60, 60, 60, 120, 120, -1, -1};
    PlayHarness play;
    TestSong song;
    for (int i = 0; i < 10; i++)
        song.Note(1000 + 500 * i, 0, 60 + i % 4);
    play.Start(song);
    EXPECT_EQ(AccuracyShown(play), "Accuracy --");
    for (int i = 0; i < 10; i++) {
        if (lateness[i] >= 0)
            play.PressAt(1000 + 500 * i + lateness[i], KEYS[i % 4]);
        if (i == 2) {
            EXPECT_EQ(AccuracyShown(play), "Accuracy 77 %"); // (3 x 33 + 2 x 66) / 3
        }
    }
    play.RunTo(PlayHarness::START + 1000 + 500 * 9 + 151);
    ASSERT_EQ(play.judgements.size(), 10u);
    EXPECT_EQ(AccuracyShown(play), "Accuracy 33 %"); // (3 x 10 + 2 x 20 + 30) / 3
}

// A retried game, from the pause menu or with R on the result, is the same game: it keeps the
// song's history file, its recording and its records, so its result adds to all of them.
TEST(PlayRules, ARetriedGameKeepsTheHistoryTheRecordingAndTheRecords)
{
    PlayHarness play;
    TestSong song;
    song.Note(1000, 0, 60);
    song.Note(2000, 0, 61);
    std::ofstream("song.mid") << "the song's bytes";
    int songOffset = 7;
    GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
    param->songPath = "song.mid";
    param->songName = "song.mid";
    param->scorePath = "song.mid.score";
    param->historyPath = "song.mid.history";
    param->title = "Song";
    param->songOffset = &songOffset;
    play.Start(param);
    const auto games = [] {
        std::vector<PlayHistory::Entry> entries;
        EXPECT_TRUE(PlayHistory::Read("song.mid.history", entries));
        return entries.size();
    };

    // Paused, "Retry".
    play.PressAtClock(PlayHarness::START + 500, {PracticeSession::PAUSE_KEY});
    play.PressAtClock(PlayHarness::START + 600, {SDLK_DOWN});
    play.PressAtClock(PlayHarness::START + 700, {SDLK_RETURN});
    play.Step();
    GameScene *again = play.Scene();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetParameter()->historyPath, "song.mid.history");
    EXPECT_EQ(again->GetParameter()->title, "Song");
    EXPECT_EQ(again->GetParameter()->songOffset, &songOffset);
    EXPECT_EQ(again->GetParameter()->highRate, &play.highRate);
    EXPECT_EQ(games(), 0u) << "a game left by a retry has no result";
    while (play.Result() == nullptr && play.now < 20000)
        play.Step();
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_EQ(games(), 1u);
    EXPECT_EQ(ReplayStore::History("replays").size(), 1u);
    EXPECT_TRUE(std::ifstream(ReplayStore::BestPath("song.mid.score", 0, 4)).good());

    // R on the result.
    PressKey(SDLK_r);
    play.RunTo(play.now + 5);
    ASSERT_NE(play.Scene(), nullptr);
    while (play.Result() == nullptr && play.now < 40000)
        play.Step();
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_EQ(games(), 2u);
    EXPECT_EQ(ReplayStore::History("replays").size(), 2u);
}
