// Real songs played through the real play scene, one millisecond per main-loop iteration, with
// the MIDI output captured: perfect play, nobody playing, and a stored log of a sloppy player.
//
// The log of the sloppy player is compared with tests/game/data/<song>.log. After a deliberate
// change of timing or judgement, regenerate it with
//   KEYRISE_UPDATE_GAME_LOGS=1 ./game_tests
//   --gtest_filter='GamePlayThrough.SloppyPlayerMatchesTheStoredLog'
// and review the diff.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>

#include "game/PlayHarness.h"
#include "game/ScreenPixels.h"
#include "song/MidiContainer.h"

namespace fs = std::filesystem;

namespace {
const char *const OPENMSX = "/usr/share/games/openttd/baseset/openmsx";
// Two short songs of Debian's OpenMSX set; the first one is the song of the stored log.
const char *const OPENMSX_SONGS[] = {"train_filled_with_cash.mid", "coconut_run2.mid"};
// Twelve lanes on their default keys.
const char *const TWELVE_KEYS = "keynum 12\n";

fs::path SourceDir()
{
    const char *source = std::getenv("KEYRISE_SOURCE_DIR");
    return source ? source : KEYRISE_SOURCE_DIR;
}

std::vector<std::string> OurSongs()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(SourceDir() / "assets" / "songs", error)) {
        if (entry.path().extension() == ".mid")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool HaveOpenMsx()
{
    return fs::exists(fs::path(OPENMSX) / OPENMSX_SONGS[0]);
}

std::string Line(Uint32 time, const std::vector<unsigned char> &bytes)
{
    return PlayHarness::Line(CapturedMidiMessage{time, bytes});
}

// One real song in a headless game: read as the title menu reads it, played on its busiest part.
class SongPlay
{
public:
    PlayHarness play;
    MidiContainer song;
    int keys;
    int part = 0;
    std::vector<KeyPosition> notes; ///< the player's notes, in time order

    SongPlay(const std::string &name, const std::string &config, int keyCount, int width = 400,
             int height = 300)
        : play(config, width, height), keys(keyCount)
    {
        if (!fs::exists("data/" + name))
            fs::copy_file(fs::path(OPENMSX) / name, "data/" + name);
        song.Load(&play.Manager(), name, nullptr);
        std::map<int, int> counts;
        for (const KeyPosition &position : song.positions)
            if (position.isNote)
                counts[position.channel]++;
        int best = -1;
        for (const auto &entry : counts) {
            if (entry.second > best) {
                best = entry.second;
                part = entry.first;
            }
        }
        for (const KeyPosition &position : song.positions)
            if (GameScene::IsUseData(position, part))
                notes.push_back(position);
    }

    GameScene *Start()
    {
        GameSceneParameter *param = new GameSceneParameter();
        param->song = song.midi;
        param->firstEvent = song.firstEvent;
        param->notes.assign(song.positions.begin(), song.positions.end());
        param->highScore = &song.highScore[keys - 1][part];
        param->highRate = &song.highRate[keys - 1][part];
        param->part = part;
        return play.Start(param);
    }

    int LastTime() const { return song.positions.empty() ? 0 : song.positions.back().time; }

    // Plays with the lanes held as 'presses' says (song position -> lanes) until the scene has
    // gone or the song position 'until' is reached; returns false if it did not end in time.
    bool Run(const std::map<int, std::vector<int>> &presses, int until = INT_MAX)
    {
        GameScene *scene = play.Scene();
        std::vector<int> laneKeys;
        for (int lane = 0; lane < keys; lane++)
            laneKeys.push_back(scene->GetKey(lane).code);
        const Uint32 limit = PlayHarness::START + LastTime() + 2000 + 500;
        while (play.now < limit) {
            const int next = static_cast<int>(play.now + 1 - PlayHarness::START);
            for (int key : laneKeys)
                play.game.HoldKey(key, false);
            auto lanes = presses.find(next);
            if (lanes != presses.end())
                for (int lane : lanes->second)
                    play.game.HoldKey(laneKeys[lane], true);
            play.Step();
            if (!play.Scene() || next >= until)
                return true;
        }
        return false;
    }

    // Every note's lane pressed in the frame of its time.
    std::map<int, std::vector<int>> PerfectPresses() const
    {
        std::map<int, std::vector<int>> presses;
        for (const KeyPosition &note : notes)
            presses[note.time].push_back(note.note % keys);
        return presses;
    }

    // What the output must have received when every record up to 'until' (exclusive, song
    // position) went out in the frame after its time, followed by one note-off sweep at 'stop'.
    std::vector<std::string> Expected(int until, Uint32 stop) const
    {
        std::vector<std::string> lines;
        for (const KeyPosition &position : song.positions) {
            if (position.time >= until)
                break;
            std::vector<unsigned char> bytes = PlayHarness::BytesOf(position.event);
            if (!bytes.empty())
                lines.push_back(Line(PlayHarness::START + position.time + 1, bytes));
        }
        lines.push_back(std::to_string(stop) + " stop");
        return lines;
    }
};

std::vector<std::pair<std::string, int>> SongsToPlay()
{
    std::vector<std::pair<std::string, int>> songs;
    for (const std::string &name : OurSongs())
        songs.push_back({name, 4});
    if (HaveOpenMsx()) {
        songs.push_back({OPENMSX_SONGS[0], 12});
        songs.push_back({OPENMSX_SONGS[1], 4});
    }
    return songs;
}
} // namespace

TEST(GamePlayThrough, PerfectAutoPlaySendsEverythingOnceAndScoresTheMaximum)
{
    const auto songs = SongsToPlay();
    ASSERT_FALSE(songs.empty());
    for (const auto &entry : songs) {
        SCOPED_TRACE(entry.first);
        SongPlay run(entry.first, entry.second == 12 ? TWELVE_KEYS : "", entry.second);
        ASSERT_NE(run.song.midi, nullptr);
        ASSERT_FALSE(run.notes.empty());
        run.Start();
        ASSERT_TRUE(run.Run(run.PerfectPresses()));

        // Each event once, in the song's order, in the frame right after its time.
        ExpectSameLines(run.play.Sent(),
                        run.Expected(INT_MAX, PlayHarness::START + run.LastTime() + 1),
                        "sent events");
        const int count = static_cast<int>(run.notes.size());
        ASSERT_EQ(static_cast<int>(run.play.judgements.size()), count);
        for (const JudgementRecord &record : run.play.judgements)
            ASSERT_EQ(record.value, GameScene::EXCELLENT) << "note at " << record.noteTime;
        ScoreScene *result = run.play.Result();
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->GetPercent(3), 100);
        EXPECT_EQ(result->GetPercent(4), 100); // the combo never broke: it equals the note count
        EXPECT_EQ(result->GetScore(), 1000000);
        EXPECT_EQ(result->GetRate(), 10);
        EXPECT_EQ(run.song.highScore[run.keys - 1][run.part], 1000000);
        EXPECT_EQ(run.song.highRate[run.keys - 1][run.part], 10);
    }
}

TEST(GamePlayThrough, PerfectSelfPlaySendsEachNoteAtItsHit)
{
    const auto songs = SongsToPlay();
    for (size_t i = 0; i < songs.size(); i += 3) {
        SCOPED_TRACE(songs[i].first);
        SongPlay run(songs[i].first, "AutoPlay 0\n", 4);
        run.Start();
        ASSERT_TRUE(run.Run(run.PerfectPresses()));
        // The part's notes go out in the frame of their press (a chord note one frame after
        // its press is served by it), the rest as in Auto Play.
        const unsigned char noteOn = static_cast<unsigned char>(0x90 | run.part);
        auto isHit = [noteOn](const std::vector<unsigned char> &bytes) {
            return bytes.size() == 3 && bytes[0] == noteOn && bytes[2] != 0;
        };
        std::vector<std::string> others;
        std::vector<Uint32> hits;
        const auto &messages = run.play.capture.Messages();
        for (size_t m = 0; m < messages.size(); m++) {
            if (run.play.IsSweepAt(m)) {
                others.push_back(std::to_string(messages[m].time) + " stop");
                m += 2047;
            } else if (isHit(messages[m].bytes)) {
                hits.push_back(messages[m].time);
            } else {
                others.push_back(PlayHarness::Line(messages[m]));
            }
        }
        std::vector<std::string> expected;
        for (const KeyPosition &position : run.song.positions) {
            std::vector<unsigned char> bytes = PlayHarness::BytesOf(position.event);
            if (!bytes.empty() && !isHit(bytes))
                expected.push_back(Line(PlayHarness::START + position.time + 1, bytes));
        }
        expected.push_back(std::to_string(PlayHarness::START + run.LastTime() + 1) + " stop");
        ExpectSameLines(others, expected, "accompaniment");
        ASSERT_EQ(hits.size(), run.notes.size());
        for (size_t n = 0; n < hits.size(); n++) {
            const Uint32 due = PlayHarness::START + run.notes[n].time;
            EXPECT_TRUE(hits[n] == due || hits[n] + 1 == due)
                << "note " << n << " sent at " << hits[n];
        }
        EXPECT_EQ(run.play.Result()->GetScore(), 1000000);
    }
}

TEST(GamePlayThrough, NobodyPlayingEndsWhenTheMeterIsEmpty)
{
    for (const auto &entry : SongsToPlay()) {
        SCOPED_TRACE(entry.first);
        SongPlay run(entry.first, "AutoPlay 1\n", 4);
        run.Start();
        ASSERT_TRUE(run.Run({}));
        const size_t count = run.notes.size();
        for (const JudgementRecord &record : run.play.judgements)
            EXPECT_EQ(record.error, -1);
        if (count < 25) {
            // 50 on the meter, 2 per miss: the song ends before the meter does.
            ASSERT_NE(run.play.Result(), nullptr);
            EXPECT_EQ(run.play.judgements.size(), count);
            EXPECT_EQ(run.play.Result()->GetPercent(0), 100);
            continue;
        }
        // The 25th miss, 151 ms after the 25th note, leaves the game without a result.
        const int end = run.notes[24].time + 151;
        EXPECT_EQ(run.play.Result(), nullptr);
        // Notes sharing the 25th note's time are missed in the same frame.
        size_t missed = 0;
        while (missed < count && run.notes[missed].time <= run.notes[24].time)
            missed++;
        ASSERT_EQ(run.play.judgements.size(), missed);
        EXPECT_EQ(run.play.judgements.back().now, PlayHarness::START + end);
        for (size_t n = 0; n < run.play.judgements.size(); n++)
            EXPECT_EQ(run.play.judgements[n].noteTime, run.notes[n].time);
        // Every event before then sounded at its time, the part included, then all notes off.
        ExpectSameLines(run.play.Sent(), run.Expected(end, PlayHarness::START + end),
                        "sent events");
    }
}

// A player who is mostly on time, sometimes early or late, and misses every tenth note.
static std::map<int, std::vector<int>> SloppyPresses(const SongPlay &run)
{
    const int offsets[10] = {0, 4, -7, 15, -30, 60, -2, 9, 120, INT_MIN};
    std::map<int, std::vector<int>> presses;
    for (size_t n = 0; n < run.notes.size(); n++) {
        if (offsets[n % 10] != INT_MIN)
            presses[run.notes[n].time + offsets[n % 10]].push_back(run.notes[n].note % run.keys);
    }
    return presses;
}

// Pictures of the play scene in the middle of a song and of the result screen. They are
// written to KEYRISE_SCREENSHOT_DIR (play-4keys.png, play-12keys.png, result.png) when set.
TEST(GamePlayThrough, ScreensInTheMiddleOfASongAndAfterIt)
{
    if (!HaveOpenMsx())
        GTEST_SKIP() << "Debian's openttd-openmsx songs are not installed";
    const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR");
    for (int keys : {4, 12}) {
        SongPlay run(OPENMSX_SONGS[1], keys == 12 ? TWELVE_KEYS : "", keys, 1024, 720);
        run.Start();
        ASSERT_TRUE(run.Run(SloppyPresses(run), 20000));
        GameScene *scene = run.play.Scene();
        ASSERT_NE(scene, nullptr);
        EXPECT_GE(scene->GetCombo(), 2);
        SDL_Surface *screen = run.play.Manager().GetScreen();
        run.play.game.SetTime(run.play.now);
        run.play.Manager().Draw(screen);
        EXPECT_GT(LitIn(screen), 1024 * 720 / 50);
        if (folder) {
            const std::string name = keys == 4 ? "play-4keys.png" : "play-12keys.png";
            EXPECT_TRUE(run.play.game.SaveScreenshot((fs::path(folder) / name).string()));
        }
    }
    SongPlay run(OurSongs().empty() ? OPENMSX_SONGS[1] : OurSongs().front(), "", 4, 1024, 720);
    run.Start();
    ASSERT_TRUE(run.Run(SloppyPresses(run)));
    ASSERT_NE(run.play.Result(), nullptr);
    run.play.RunTo(run.play.now + 600); // the meters have risen
    // Every hit's timing reached the result screen; misses have none.
    const std::vector<int> &bins = run.play.Result()->GetHistogram();
    const auto hits =
        std::count_if(run.play.judgements.begin(), run.play.judgements.end(),
                      [](const JudgementRecord &record) { return record.error >= 0; });
    EXPECT_GT(hits, 0);
    EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), 0L), hits);
    SDL_Surface *screen = run.play.Manager().GetScreen();
    run.play.Manager().Draw(screen);
    EXPECT_GT(LitIn(screen), 1024 * 720 / 50);
    if (folder) {
        EXPECT_TRUE(run.play.game.SaveScreenshot((fs::path(folder) / "result.png").string()));
    }

    // Nobody playing: the life meter empties and the FAILED notice shows before leaving.
    SongPlay idle(OPENMSX_SONGS[1], "AutoPlay 1\n", 4, 1024, 720);
    idle.Start();
    while (idle.play.Scene() && !idle.play.Scene()->IsFailed() && idle.play.now < 200000)
        idle.play.Step();
    ASSERT_NE(idle.play.Scene(), nullptr);
    idle.play.RunTo(idle.play.now + 300);
    screen = idle.play.Manager().GetScreen();
    idle.play.Manager().Draw(screen);
    if (folder) {
        EXPECT_TRUE(idle.play.game.SaveScreenshot((fs::path(folder) / "failed.png").string()));
    }
}

TEST(GamePlayThrough, SloppyPlayerMatchesTheStoredLog)
{
    if (!HaveOpenMsx())
        GTEST_SKIP() << "Debian's openttd-openmsx songs are not installed";
    const std::string name = OPENMSX_SONGS[0];
    SongPlay run(name, "AutoPlay 0\n", 4);
    GameScene *scene = run.Start();
    // Remember where each judgement falls among the sent messages.
    std::vector<std::pair<size_t, JudgementRecord>> judged;
    scene->SetJudgementListener([&](const JudgementRecord &record) {
        judged.push_back({run.play.capture.Messages().size(), record});
    });
    ASSERT_TRUE(run.Run(SloppyPresses(run)));

    static const char *const NAMES[4] = {"BAD", "OK", "GOOD", "EXCELLENT"};
    std::ostringstream log;
    log << "# " << name << ", part " << run.part
        << ", 4 keys, Self Play; times are song positions (ms)\n";
    const auto &messages = run.play.capture.Messages();
    size_t next = 0;
    auto writeMessagesUpTo = [&](size_t end) {
        for (; next < end; next++) {
            const int position = static_cast<int>(messages[next].time - PlayHarness::START);
            if (run.play.IsSweepAt(next)) {
                log << position << " stop\n";
                next += 2047;
                continue;
            }
            std::string line = PlayHarness::Line(messages[next]);
            log << position << " send" << line.substr(line.find(' ')) << "\n";
        }
    };
    for (const auto &entry : judged) {
        writeMessagesUpTo(entry.first);
        const JudgementRecord &record = entry.second;
        log << static_cast<int>(record.now - PlayHarness::START) << " " << NAMES[record.value]
            << " note " << record.note << " at " << record.noteTime << " lane " << record.lane;
        if (record.error >= 0)
            log << " error " << record.error;
        else
            log << " missed";
        log << "\n";
    }
    writeMessagesUpTo(messages.size());
    ScoreScene *result = run.play.Result();
    ASSERT_NE(result, nullptr);
    log << "result";
    for (int i = 0; i < ScoreScene::METERS; i++)
        log << " " << result->GetPercent(i);
    log << " score " << result->GetScore() << " rate " << result->GetRate() << "\n";

    const fs::path reference = SourceDir() / "tests" / "game" / "data" / (name + ".log");
    if (std::getenv("KEYRISE_UPDATE_GAME_LOGS")) {
        std::ofstream(reference) << log.str();
        GTEST_SKIP() << "wrote " << reference;
    }
    std::ifstream stored(reference);
    ASSERT_TRUE(stored) << "missing " << reference << " (see the top of this file)";
    std::vector<std::string> expected, actual;
    for (std::string line; std::getline(stored, line);)
        expected.push_back(line);
    std::istringstream produced(log.str());
    for (std::string line; std::getline(produced, line);)
        actual.push_back(line);
    ExpectSameLines(actual, expected, "play log");
}
