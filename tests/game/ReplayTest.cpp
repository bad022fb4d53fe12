// ReplayTest: recorded games played again give their result; what is kept, what is refused.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/PlayHarness.h"
#include "game/Replay.h"
#include "game/ReplayCheck.h"
#include "game/ReplayInput.h"
#include "game/ReplayRecorder.h"
#include "game/ReplayStore.h"
#include "platform/GamePaths.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "support/ScreenLayout.h"

namespace {

const char *const kSong = "OdeToJoy.mid";

// The part with the most notes.
int BusiestPart(const MidiContainer &song)
{
    std::map<int, int> counts;
    for (const KeyPosition &record : song.positions)
        if (record.isNote)
            counts[record.channel]++;
    int part = 0;
    for (const auto &entry : counts)
        if (entry.second > counts[part])
            part = entry.first;
    return part;
}

GameSceneParameter *Parameter(MidiContainer &song, int part, int *highScore, int *highRate)
{
    GameSceneParameter *param = new GameSceneParameter();
    param->TakeSong(song);
    param->part = part;
    param->highScore = highScore;
    param->highRate = highRate;
    param->songPath = song.path;
    param->songName = song.name;
    param->scorePath = song.GetScorePath();
    return param;
}

// Reads the test song for play, as the song selection does.
bool Load(MidiContainer &song)
{
    song.path = "data/" + std::string(kSong);
    song.name = kSong;
    return song.LoadEvents();
}

std::vector<std::string> History()
{
    return ReplayStore::History("replays");
}

// A player whose turns come 1-40 ms apart (a loaded machine), who presses the part's notes
// from 40 ms early to 79 ms late (every thirteenth 170 ms late), leaves every ninth alone, and
// pauses once, resuming by the menu. Practising, they play at 150 % and repeat a section twice
// (its notes are pressed the first time only). Returns the replay kept.
std::shared_ptr<Replay> PlayOnALoadedMachine(PlayHarness &play, MidiContainer &song, int part,
                                             bool practising = false)
{
    GameSceneParameter *param = Parameter(song, part, &play.highScore, &play.highRate);
    param->tempo = practising ? 150 : 100;
    play.Start(param);
    GameScene *scene = play.Scene();
    std::vector<std::pair<int, int>> presses; // (song position ms, lane)
    int index = 0;
    for (const KeyPosition &record : song.positions) {
        if (!GameScene::IsUseData(record, part))
            continue;
        // Mostly near the note, every thirteenth one far too late.
        const int error = index % 13 == 5 ? 170 : (index * 37) % 120 - 40;
        if (index % 9 != 3)
            presses.push_back({record.time + error, scene->LaneOf(record.note)});
        index++;
    }
    std::sort(presses.begin(), presses.end());
    size_t next = 0;
    unsigned int seed = 12345;
    int paused = 0;  // 0: not yet, 1: paused (clock when), 2: resumed
    int looping = 0; // 0: no section, 1: start marked, 2: repeating, 3: cleared
    Uint32 pausedAt = 0;
    std::vector<int> held;
    while (!scene->IsLeaving() && play.now < 600000) {
        seed = seed * 1103515245u + 12345u;
        play.now += 1 + (seed >> 16) % 40;
        for (int key : held)
            play.game.HoldKey(key, false);
        held.clear();
        const int position = scene->GetLatency().JudgedPosition(play.now);
        std::vector<int> keys;
        if (paused == 0 && position >= 3000) {
            keys.push_back(PracticeSession::PAUSE_KEY);
            paused = 1;
            pausedAt = play.now;
        } else if (paused == 1 && play.now - pausedAt > 400) {
            keys.push_back(SDLK_RETURN);
            paused = 2;
        }
        const SectionLoop &loop = scene->GetPractice().GetLoop();
        if (practising && looping == 0 && position >= 5000) {
            keys.push_back(PracticeSession::LOOP_START_KEY);
            looping = 1;
        } else if (looping == 1 && position >= 7000) {
            keys.push_back(PracticeSession::LOOP_END_KEY);
            looping = 2;
        } else if (looping == 2 && loop.GetRepeats() >= 2) {
            keys.push_back(PracticeSession::LOOP_CLEAR_KEY);
            looping = 3;
        }
        for (; paused != 1 && next < presses.size() && presses[next].first <= position; next++)
            keys.push_back(scene->GetKey(presses[next].second).code);
        for (int key : keys) {
            play.game.HoldKey(key, true);
            held.push_back(key);
        }
        play.game.Iterate(play.now);
    }
    EXPECT_TRUE(scene->IsFinished());
    play.Step(); // the result screen takes the records
    const std::vector<std::string> kept = History();
    auto replay = std::make_shared<Replay>();
    std::string reason;
    EXPECT_EQ(kept.size(), 1u);
    if (kept.empty() || !replay->Read("replays/" + kept.back(), reason))
        ADD_FAILURE() << "no replay kept: " << reason;
    return replay;
}

// The busiest part of the test song played as PlayOnALoadedMachine plays it, in a game folder
// of its own; its judgements into 'judgements' when given. Null when it could not be played.
std::shared_ptr<Replay> RecordedGame(bool practising,
                                     std::vector<JudgementRecord> *judgements = nullptr)
{
    PlayHarness play;
    MidiContainer song;
    if (!Load(song))
        return nullptr;
    std::shared_ptr<Replay> recorded =
        PlayOnALoadedMachine(play, song, BusiestPart(song), practising);
    if (judgements != nullptr)
        *judgements = play.judgements;
    return recorded;
}

} // namespace

// The player's game is recorded and its best kept beside the records; played again one turn
// every millisecond it gives exactly the result of the game, whose turns came 1-40 ms apart;
// that replay is not recorded again and stores nothing.
TEST(GameSceneReplay, AGameOfIrregularTurnsReplayedAtOneMsTurnsGivesItsResult)
{
    std::shared_ptr<Replay> recorded;
    {
        PlayHarness play;
        MidiContainer song;
        ASSERT_TRUE(Load(song));
        const int part = BusiestPart(song);
        recorded = PlayOnALoadedMachine(play, song, part);
        ASSERT_TRUE(recorded);
        // Hits of every kind and misses: the game's own result screen and the file agree.
        const ReplayResult &result = recorded->result;
        EXPECT_GT(result.excellent, 0);
        EXPECT_GT(result.ok, 0);
        EXPECT_GT(result.bad, 3);
        EXPECT_FALSE(result.failed);
        EXPECT_EQ(result.score, play.highScore);
        EXPECT_EQ(recorded->songName, kSong);
        EXPECT_EQ(recorded->part, part);
        // The best game lies beside the score file, the same game.
        Replay best;
        std::string reason;
        ASSERT_TRUE(best.Read(ReplayStore::BestPath(song.GetScorePath(), part, 4), reason))
            << reason;
        EXPECT_EQ(best.Text(), recorded->Text());

        // V on the result screen shows the game again, marked, with the same result, and
        // stores nothing: no record beyond the one it set, no new replay.
        ScoreScene *shown = play.Result();
        ASSERT_NE(shown, nullptr);
        ASSERT_TRUE(shown->CanWatch());
        play.highScore = 0;
        SDL_Event v{};
        v.type = SDL_KEYDOWN;
        v.key.keysym.sym = SDLK_v;
        SDL_PushEvent(&v);
        play.RunTo(play.now + 5);
        GameScene *watched = play.Scene();
        ASSERT_NE(watched, nullptr);
        ASSERT_NE(watched->GetParameter()->replay, nullptr);
        while (play.Scene() != nullptr && play.now < 1000000)
            play.Step();
        ASSERT_NE(play.Result(), nullptr);
        EXPECT_TRUE(play.Result()->IsWatched());
        EXPECT_EQ(play.Result()->GetScore(), recorded->result.score);
        EXPECT_EQ(play.highScore, 0);
        EXPECT_EQ(History().size(), 1u);
    }
    {
        // Again, one turn every millisecond, in a fresh game folder.
        PlayHarness again;
        const std::string path = "data/" + std::string(kSong);
        std::string reason;
        std::ofstream("config") << "keynum 7\nnofail 0\n"; // the replay's settings count
        ASSERT_TRUE(ReplayCheck::SameSong(*recorded, path, reason)) << reason;
        ReplayResult replayed;
        ASSERT_TRUE(ReplayCheck::Play(
            again.Manager(), [&](unsigned int now) { again.game.SetTime(now); }, recorded, path,
            replayed, reason))
            << reason;
        EXPECT_EQ(replayed.FirstDifference(recorded->result), "");
        EXPECT_EQ(replayed.Lines(), recorded->result.Lines());
        // Watched again, a game is never recorded, and it stores no records.
        EXPECT_TRUE(History().empty());
        EXPECT_FALSE(std::ifstream(ReplayStore::BestPath(path + ".score", recorded->part, 4)));
    }
}

// The same for a practice game at 150 % tempo with a section repeated twice: the section
// starts over, and the count-in ends, each at its own time, whenever the turns come.
TEST(GameSceneReplay, APracticeGameReplayedAtOneMsTurnsGivesItsResult)
{
    const std::shared_ptr<Replay> recorded = RecordedGame(true);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->tempo, 150);
    EXPECT_GT(recorded->result.excellent, 0);
    EXPECT_GT(recorded->result.bad, 0);
    PlayHarness again;
    ReplayResult replayed;
    std::string reason;
    ASSERT_TRUE(ReplayCheck::Play(
        again.Manager(), [&](unsigned int now) { again.game.SetTime(now); }, recorded,
        "data/" + std::string(kSong), replayed, reason))
        << reason;
    EXPECT_EQ(replayed.FirstDifference(recorded->result), "");
}

// A frame at clock 25 after turns recorded at 10, 20 and 20 plays all three first, each at its
// clock; a frame at 20 plays the first of two turns at 20 first and takes the second as its own.
TEST(GameSceneReplay, AFramePlaysTheTurnsBeforeItsOwnFirst)
{
    auto replay = std::make_shared<Replay>();
    for (uint32_t at : {10u, 20u, 20u, 30u}) {
        ReplayTurn recorded;
        recorded.time = at;
        recorded.input.pressedLanes = 1u << replay->turns.size();
        replay->turns.push_back(recorded);
    }
    const auto earlier = [](ReplayInput &input, uint32_t now) {
        std::vector<std::string> played;
        uint32_t at = 0;
        while (input.EarlierTurn(now, at))
            played.push_back(std::to_string(at) + ":" +
                             std::to_string(input.Read(at).pressedLanes));
        played.push_back("own:" + std::to_string(input.Read(now).pressedLanes));
        return played;
    };
    ReplayInput late(replay);
    EXPECT_EQ(earlier(late, 25), (std::vector<std::string>{"10:1", "20:2", "20:4", "own:0"}));
    ReplayInput onTime(replay);
    EXPECT_EQ(earlier(onTime, 10), (std::vector<std::string>{"own:1"}));
    EXPECT_EQ(earlier(onTime, 20), (std::vector<std::string>{"20:2", "own:4"}));
    EXPECT_EQ(earlier(onTime, 29), (std::vector<std::string>{"own:0"}));
    EXPECT_EQ(earlier(onTime, 30), (std::vector<std::string>{"own:8"}));
}

// Watched again on a machine whose frames come 1-40 ms apart (not the recording's), a game goes
// exactly as it went, judgement by judgement: every recorded turn is played at its own clock,
// however many turns a frame comes after. So does a practice game (a pause, 150 %, a section
// repeated).
TEST(GameSceneReplay, AGameWatchedWithIrregularFramesGoesAsItWent)
{
    for (const bool practising : {false, true}) {
        SCOPED_TRACE(practising ? "practice game" : "game");
        std::vector<JudgementRecord> played;
        const std::shared_ptr<Replay> recorded = RecordedGame(practising, &played);
        ASSERT_TRUE(recorded);
        PlayHarness watch;
        MidiContainer song;
        ASSERT_TRUE(Load(song));
        GameSceneParameter *param =
            Parameter(song, recorded->part, &watch.highScore, &watch.highRate);
        param->replay = recorded;
        GameScene *scene = watch.Start(param);
        unsigned int seed = 4242;
        while (!scene->IsLeaving() && watch.now < 600000) {
            seed = seed * 1103515245u + 12345u;
            watch.now += 1 + (seed >> 16) % 40;
            watch.game.Iterate(watch.now);
        }
        ASSERT_TRUE(scene->IsFinished());
        const std::vector<JudgementRecord> &shown = watch.judgements;
        ASSERT_EQ(shown.size(), played.size());
        for (size_t i = 0; i < played.size(); i++) {
            SCOPED_TRACE("judgement " + std::to_string(i));
            EXPECT_EQ(shown[i].noteTime, played[i].noteTime);
            EXPECT_EQ(shown[i].lane, played[i].lane);
            EXPECT_EQ(shown[i].value, played[i].value);
            EXPECT_EQ(shown[i].signedError, played[i].signedError);
            // A hit comes at its press's clock; a miss in whichever frame finds it.
            if (played[i].error >= 0) {
                EXPECT_EQ(shown[i].now, played[i].now);
            }
            if (HasFailure())
                return;
        }
        const ReplayResult result = ReplayRecorder::ResultOf(
            scene->GetBadCount(), scene->GetOkCount(), scene->GetGoodCount(),
            scene->GetExcellentCount(), scene->GetMaxCombo(), scene->GetHitErrors(), false);
        EXPECT_EQ(result.FirstDifference(recorded->result), "");
    }
}

// The viewer's P holds a watched game still, sound and all, and a second P goes on from where
// it stood: the recorded presses keep their place in the song. Escape leaves without a result.
TEST(GameSceneReplay, TheViewersPauseAndEscapeWhileWatching)
{
    PlayHarness play;
    TestSong song;
    auto replay = std::make_shared<Replay>();
    for (int at : {1000, 2000, 3000}) {
        song.Note(at, 0, 60);
        ReplayTurn down, up;
        down.time = PlayHarness::START + at + 5;
        down.input.pressedLanes = down.input.heldLanes = 1;
        up.time = down.time + 60;
        replay->turns.push_back(down);
        replay->turns.push_back(up);
    }
    GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
    param->replay = replay;
    GameScene *scene = play.Start(param);
    const Uint32 hold = PlayHarness::START + 500, goOn = hold + 5000;
    play.PressAtClock(hold, {PracticeSession::PAUSE_KEY});
    const size_t sent = play.capture.Messages().size();
    play.RunTo(goOn - 1);
    EXPECT_TRUE(play.judgements.empty());
    EXPECT_EQ(play.capture.Messages().size(), sent);
    play.PressAtClock(goOn, {PracticeSession::PAUSE_KEY});
    // The first note's press comes as long after going on as it lay after the last turn
    // before the hold.
    play.RunTo(goOn + 500 + 5 - 1);
    EXPECT_TRUE(play.judgements.empty());
    play.RunTo(goOn + 500 + 5 + 1);
    EXPECT_EQ(play.judgements.size(), 1u);
    play.RunTo(goOn + 1600);
    EXPECT_EQ(play.Judged(), (std::vector<std::string>{"EXCELLENT 5 5", "EXCELLENT 5 5"}));
    play.PressAtClock(goOn + 1700, {PracticeSession::ESCAPE_KEY});
    EXPECT_TRUE(scene->IsLeaving());
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    EXPECT_EQ(play.Result(), nullptr);
}

// A song whose bytes are not the recorded ones is refused, and so is a missing one.
TEST(GameSceneReplay, AChangedSongIsRefused)
{
    PlayHarness play;
    const std::string path = "data/" + std::string(kSong);
    Replay replay;
    std::string reason;
    ASSERT_TRUE(ReplayRecorder::IdentifySong(path, replay, reason)) << reason;
    EXPECT_TRUE(ReplayCheck::SameSong(replay, path, reason)) << reason;
    // One byte changed, the size the same.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(30);
    file.put('\x7f');
    file.close();
    EXPECT_FALSE(ReplayCheck::SameSong(replay, path, reason));
    EXPECT_EQ(reason, ReplayCheck::CHANGED_SONG);
    std::remove(path.c_str());
    EXPECT_FALSE(ReplayCheck::SameSong(replay, path, reason));
    EXPECT_NE(reason, "");
    // Found by its listed name in the song folders, a labelled folder's below its label.
    EXPECT_EQ(
        ReplayCheck::FindSong({{"songs", "Keyrise", false}, {"data", "", true}}, "Twinkle.mid"),
        "data/Twinkle.mid");
    EXPECT_EQ(ReplayCheck::FindSong({{"data", "Keyrise", false}}, "Keyrise/Twinkle.mid"),
              "data/Twinkle.mid");
    // Recorded installed, checked from the game's folder, and the other way round; a folder
    // that lists the song as recorded wins over one that lists it the other way.
    EXPECT_EQ(ReplayCheck::FindSong({{"data", "", true}}, "Keyrise/Twinkle.mid"),
              "data/Twinkle.mid");
    EXPECT_EQ(
        ReplayCheck::FindSong({{"mine", "", true}, {"data", "Keyrise", false}}, "Twinkle.mid"),
        "data/Twinkle.mid");
    std::ifstream from("data/Twinkle.mid", std::ios::binary);
    std::filesystem::create_directories("bundled");
    std::ofstream("bundled/Twinkle.mid", std::ios::binary) << from.rdbuf();
    EXPECT_EQ(ReplayCheck::FindSong({{"data", "", true}, {"bundled", "Keyrise", false}},
                                    "Keyrise/Twinkle.mid"),
              "bundled/Twinkle.mid");
    EXPECT_EQ(
        ReplayCheck::FindSong({{"bundled", "Keyrise", false}, {"data", "", true}}, "Twinkle.mid"),
        "data/Twinkle.mid");
    EXPECT_EQ(ReplayCheck::FindSong({{"data", "", true}}, "Keyrise/Gone.mid"), "");
}

// A game lasts its song at the slowest tempo with the lead-in, a count-in, the latency, the
// offsets and the result's delay; it stands still only from the first turn that pauses or
// marks a section (from the start in wait mode) up to the last turn. A replay claiming more
// is refused before it is played.
TEST(GameSceneReplay, AGameLastsNoLongerThanItsSongAndTheStandingItsTurnsShow)
{
    // 10 s of song: 1500 lead-in + 1500 count-in + 600 offsets + 20000 at 50 % + 2000 delay.
    const uint64_t plain = 25600;
    Replay replay;
    replay.latency = 0;
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), plain);
    replay.latency = 35;
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), plain + 35);
    replay.latency = 0;
    PlayTurn lanes, pause, section, menu;
    lanes.pressedLanes = lanes.heldLanes = 0xfff;
    pause.pressed = PlayTurn::PAUSE;
    section.pressed = PlayTurn::LOOP_END;
    menu.pressed =
        PlayTurn::ALL_CONTROLS & ~(PlayTurn::PAUSE | PlayTurn::LOOP_START | PlayTurn::LOOP_END);
    // Presses and the pause menu's keys alone never stand.
    replay.turns = {{3000, lanes}, {40000, menu}, {50000, lanes}};
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), plain);
    // A pause, or a section, stands from its turn to the last.
    replay.turns = {{3000, lanes}, {4000, pause}, {50000, lanes}};
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), 50000 + plain);
    replay.turns = {{3000, lanes}, {50000, section}};
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), 50000 + plain);
    replay.turns = {{50000, section}};
    replay.turns[0].input.pressed = PlayTurn::LOOP_START;
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), 50000 + plain);
    replay.turns = {{3000, lanes}, {50000, lanes}};
    replay.waitMode = true;
    EXPECT_EQ(ReplayCheck::LongestGame(replay, 10000), 50000 + plain);

    // A forged end a millisecond past it.
    PlayHarness play;
    MidiContainer song;
    ASSERT_TRUE(Load(song));
    auto forged = std::make_shared<Replay>();
    forged->waitMode = true;
    forged->end =
        static_cast<uint32_t>(ReplayCheck::LongestGame(*forged, song.positions.back().time) + 1);
    ReplayResult result;
    std::string reason;
    EXPECT_FALSE(ReplayCheck::Play(
        play.Manager(), [&](unsigned int now) { play.game.SetTime(now); }, forged,
        "data/" + std::string(kSong), result, reason));
    EXPECT_NE(reason.find("later than a game of this song can last"), std::string::npos) << reason;
}

// A game whose replay cannot be kept (a file stands where the replays folder should be) says so
// on its result screen, not only on stderr.
TEST(GameSceneReplay, AReplayThatCannotBeKeptIsSaidOnTheResultScreen)
{
    PlayHarness play("failresult 1\n");
    std::ofstream("replays") << "a file where the folder should be";
    MidiContainer song;
    ASSERT_TRUE(Load(song));
    play.Start(Parameter(song, BusiestPart(song), &play.highScore, &play.highRate));
    while (play.Scene() != nullptr && play.now < 600000)
        play.Step(); // no key pressed: the game fails and shows its result
    ScoreScene *result = play.Result();
    ASSERT_NE(result, nullptr);
    ASSERT_FALSE(result->GetNotices().empty());
    EXPECT_NE(result->GetNotices()[0].find("replay was not kept"), std::string::npos)
        << result->GetNotices()[0];
    play.Step();
    EXPECT_FALSE(ScreenLayout::Draw(play.Manager()).Find("replay was not kept").empty());
}
