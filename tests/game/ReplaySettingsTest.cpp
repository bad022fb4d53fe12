// Tests that every setting a game records replays to the same game: each one that changes the
// judging, the sending or the end is recorded, kept in the file and played back with it.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "game/PlayHarness.h"
#include "game/Replay.h"
#include "game/ReplayStore.h"

namespace {

// What a game did, watched from outside the scene: every judgement with its clock, every
// message sent, and how it ended.
struct Seen
{
    std::vector<std::string> judged;
    std::vector<std::string> sent;
    bool result = false;
    bool failed = false;
};

// 40 notes 100 ms apart from 1000 ms, notes 60-65 in turn (lanes differ with 4 and 6 keys).
void FillSong(TestSong &song)
{
    for (int i = 0; i < 40; i++)
        song.Note(1000 + 100 * i, 0, 60 + i % 6, 60);
}

// Runs the game on 'play' to its end, pressing the first 'pressed' notes from 0 to 60 ms early
// (of the judged song position, so that the offsets and the tempo move the presses as a player
// would move them), or 'late' ms later, and the rest not at all. A song that stands still for
// 100 ms (wait mode holding at a note) gets the next press then.
Seen PlayToTheEnd(PlayHarness &play, TestSong &song, GameSceneParameter *param, int pressed,
                  int late = 0)
{
    const std::list<KeyPosition> notes = song.Positions();
    GameScene *scene = play.Start(param);
    std::vector<std::pair<int, int>> presses; // (judged position, note)
    int index = 0;
    for (const KeyPosition &record : notes)
        if (record.isNote && index++ < pressed)
            presses.push_back({record.time - (index * 13) % 61 + late, record.note});
    size_t next = 0;
    int standing = 0, last = INT_MIN;
    Seen seen;
    while (play.Scene() != nullptr && play.now < 60000) {
        std::vector<int> keys;
        if (play.Scene() == scene) {
            const int position = scene->GetLatency().JudgedPosition(play.now + 1);
            standing = position == last ? standing + 1 : 0;
            last = position;
            for (; next < presses.size() && (position >= presses[next].first || standing >= 100);
                 next++, standing = 0)
                keys.push_back(scene->GetKey(scene->LaneOf(presses[next].second)).code);
        }
        if (play.Scene() == scene)
            seen.failed = scene->IsFailed();
        play.PressAtClock(play.now + 1, keys);
    }
    for (const JudgementRecord &record : play.judgements)
        seen.judged.push_back(std::to_string(record.now) + " " + std::to_string(record.lane) + " " +
                              std::to_string(record.value) + " " +
                              std::to_string(record.signedError));
    seen.sent = play.Sent();
    seen.result = play.Result() != nullptr;
    return seen;
}

struct Setting
{
    const char *name;
    const char *config; ///< the player's config while recording
    int latency;        ///< the output device's (ms)
    std::function<void(GameSceneParameter &)> set;
    int keys;        ///< lanes played
    int pressed;     ///< notes pressed, of 40
    int late;        ///< ms the presses come later
    bool storesBest; ///< a game that stores records becomes the best
};

} // namespace

// Each setting that changes the game is played live, its replay read back from the file it was
// kept in and watched in a game folder whose config and device have none of those settings:
// the watched game judges the same notes at the same clocks, sends the same messages and ends
// the same way. The live game is the reference, not the replay's own result.
TEST(ReplaySettings, AGameRecordedWithEachSettingReplaysToTheSameGame)
{
    int songOffset = 45;
    const Setting settings[] = {
        {"plain", "", 0, nullptr, 4, 34, 0, true},
        {"keys", "keynum 6\n", 0, nullptr, 6, 34, 0, true},
        {"offset", "offset -70\n", 0, nullptr, 4, 34, 0, true},
        {"song offset", "", 0, [&](GameSceneParameter &p) { p.songOffset = &songOffset; }, 4, 34, 0,
         true},
        {"latency", "", 30, nullptr, 4, 34, 0, true},
        {"self play", "AutoPlay 0\n", 0, nullptr, 4, 34, 0, true},
        {"tempo", "", 0, [](GameSceneParameter &p) { p.tempo = 70; }, 4, 34, 0, false},
        {"wait mode", "", 0, [](GameSceneParameter &p) { p.waitMode = true; }, 4, 40, 80, false},
        {"no-fail", "nofail 2\n", 0, nullptr, 4, 10, 0, false},
        {"failed with a result", "nofail 0\nfailresult 1\n", 0, nullptr, 4, 10, 0, false},
    };
    for (const Setting &setting : settings) {
        SCOPED_TRACE(setting.name);
        Seen live;
        auto replay = std::make_shared<Replay>();
        {
            PlayHarness play(setting.config);
            play.capture.SetLatencyMs(setting.latency);
            std::ofstream("song.mid") << "the song's bytes";
            TestSong song;
            FillSong(song);
            GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
            param->songPath = param->songName = "song.mid";
            param->scorePath = "song.mid.score";
            if (setting.set)
                setting.set(*param);
            live = PlayToTheEnd(play, song, param, setting.pressed, setting.late);
            const std::vector<std::string> kept = ReplayStore::History("replays");
            ASSERT_EQ(kept.size(), 1u);
            std::string reason;
            ASSERT_TRUE(replay->Read("replays/" + kept.back(), reason)) << reason;
            EXPECT_EQ(
                std::ifstream(ReplayStore::BestPath("song.mid.score", 0, setting.keys)).good(),
                setting.storesBest);
        }
        PlayHarness watch;
        TestSong song;
        FillSong(song);
        GameSceneParameter *param = song.MakeParameter(0, &watch.highScore, &watch.highRate);
        param->replay = replay;
        const Seen watched = PlayToTheEnd(watch, song, param, 0);
        EXPECT_EQ(watched.judged, live.judged);
        ExpectSameLines(watched.sent, live.sent);
        EXPECT_EQ(watched.result, live.result);
        EXPECT_EQ(watched.failed, live.failed);
    }
}
