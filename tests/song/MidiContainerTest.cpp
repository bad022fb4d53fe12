// Tests of the song container: event times, levels, parts and the score file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

// A temporary working folder with data/, entered for the test's duration.
class MidiContainerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/keyrise-songs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previous = cwd;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0755), 0);
        ASSERT_EQ(InitMidiLib(), 0);
    }
    void TearDown() override
    {
        ReleaseMidiLib();
        ASSERT_EQ(chdir(previous.c_str()), 0);
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    void WriteSong(const std::string &name, const Bytes &bytes)
    {
        std::ofstream out("data/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    }
    std::string ReadText(const std::string &path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Loads a one-track song (division 1000: a tick is 0.5 ms at the default tempo).
    void LoadSong(MidiContainer &song, const Bytes &events, uint16_t division = 1000)
    {
        WriteSong("song.mid", Header(0, 1, division) + Track(events));
        song.Load(nullptr, "song.mid", nullptr);
        ASSERT_NE(song.midi, nullptr);
    }

    std::string dir;
    std::string previous;
    WarningLog log;
};

TEST_F(MidiContainerTest, TimesFollowTempoChangesAndAddUpWithoutDrift)
{
    MidiContainer song;
    LoadSong(song,
             NoteOn(0, 0, 60, 100) + Tempo(960, 250000) + NoteOn(480, 0, 62, 100) +
                 NoteOn(1, 0, 64, 0),
             480);
    ASSERT_EQ(song.positions.size(), 4u);
    EXPECT_EQ(song.positions[1].time, 1000); // 960 ticks at the old tempo
    EXPECT_EQ(song.positions[2].time, 1250); // 480 ticks later at 250000 µs: 250 ms
    EXPECT_EQ(song.midi->tempo, 500000u);    // restored after the walk
    EXPECT_EQ(song.firstEvent, song.positions[0].event);

    // 1-tick steps of 166.67 ms: exact sums give 166, 333, 500, ..., never 498.
    MidiContainer thirds;
    Bytes events;
    for (int i = 0; i < 30; ++i) {
        events = events + NoteOn(1, 0, 60, 100);
    }
    LoadSong(thirds, events, 3);
    ASSERT_EQ(thirds.positions.size(), 30u);
    EXPECT_EQ(thirds.positions[0].time, 166);
    EXPECT_EQ(thirds.positions[2].time, 500);
    EXPECT_EQ(thirds.positions[29].time, 5000);
}

TEST_F(MidiContainerTest, NotesPartsAndPrograms)
{
    MidiContainer song;
    LoadSong(song, NoteOn(0, 0, 60, 100) + NoteOn(10, 2, 61, 100) + NoteOn(10, 0, 60, 0) +
                       NoteOn(0, 5, 40, 0) + Bytes{0x00, 0xC3, 0x29} + NoteOn(1000, 2, 61, 0));
    EXPECT_EQ(song.maxChannel, 2); // the velocity-0 Note On on channel 5 is no note
    EXPECT_EQ(song.programs[3], 0x29);
    const KeyPosition &first = song.positions[0];
    EXPECT_EQ(first.type, 0x90);
    EXPECT_TRUE(first.isNote);
    EXPECT_EQ(first.note, 60);
    EXPECT_EQ(first.channel, 0);
    const KeyPosition &off = song.positions[2];
    EXPECT_EQ(off.type, 0x90);
    EXPECT_FALSE(off.isNote);
    EXPECT_EQ(off.note, -1);
    EXPECT_EQ(off.channel, -1);
    EXPECT_EQ(song.positions[4].type, 0xC0);
    EXPECT_EQ(song.density[1], 0);
    ASSERT_NE(song.highScore[11], nullptr);
    EXPECT_EQ(song.highRate[11][2], -1); // three parts, all with defaults
}

TEST_F(MidiContainerTest, TempoLengthAndDensityLevels)
{
    struct Case
    {
        Bytes events;
        int tempoLevel;
    } tempos[] = {
        {Tempo(0, 600000) + NoteOn(10, 0, 60, 1), 96},
        {Tempo(0, 400000) + Tempo(10, 700000) + NoteOn(10, 0, 60, 1), 100},
        {Tempo(0, 600000) + Tempo(10, 400000) + NoteOn(10, 0, 60, 1), 96}, // the highest
        {NoteOn(10, 0, 60, 1), 80},
    };
    for (const Case &c : tempos) {
        MidiContainer song;
        LoadSong(song, c.events);
        EXPECT_EQ(song.tempoLevel, c.tempoLevel);
    }

    MidiContainer threeMinutes;
    LoadSong(threeMinutes, NoteOn(360000, 0, 60, 1)); // 360000 ticks of 0.5 ms
    EXPECT_EQ(threeMinutes.lengthLevel, 30);
    MidiContainer twentyMinutes;
    LoadSong(twentyMinutes, NoteOn(2400000, 0, 60, 1));
    EXPECT_EQ(twentyMinutes.lengthLevel, 100);

    // 100 notes in a song of 50 s: 20 notes per 10 s.
    Bytes events = NoteOn(0, 0, 60, 100);
    for (int i = 1; i < 100; ++i) {
        events = events + NoteOn(1000, 0, 60, 100);
    }
    events = events + NoteOn(1000, 0, 60, 0); // ends at 50000 ms
    MidiContainer dense;
    LoadSong(dense, events);
    EXPECT_EQ(dense.positions.back().time, 50000);
    EXPECT_EQ(dense.density[0], 20);

    // Every event at 0 ms: no density rather than a division by zero.
    MidiContainer instant;
    LoadSong(instant, NoteOn(0, 0, 60, 100) + NoteOn(0, 1, 60, 100));
    EXPECT_EQ(instant.density[0], 0);
    EXPECT_EQ(instant.lengthLevel, 0);
}

TEST_F(MidiContainerTest, ScoreFileRoundTripKeepsOtherKeys)
{
    WriteSong("song.mid", Header(0, 1, 96) + Track(NoteOn(0, 1, 60, 100) + NoteOn(96, 1, 60, 0)));
    {
        std::ofstream score("data/song.mid.score");
        score << "highscore_ins1_key4 123456\nhighrate_ins1_key4 5\nplayer me\n";
    }
    MidiContainer song;
    song.Load(nullptr, "song.mid", nullptr);
    EXPECT_EQ(song.path, "data/song.mid");
    EXPECT_EQ(song.name, "song.mid");
    EXPECT_EQ(song.GetScorePath(), "data/song.mid.score");
    EXPECT_EQ(song.highScore[3][1], 123456);
    EXPECT_EQ(song.highRate[3][1], 5);
    EXPECT_EQ(song.highScore[3][0], 0);
    EXPECT_EQ(song.highRate[0][0], -1);
    EXPECT_FALSE(song.IsChanged());

    song.highScore[11][0] = 999;
    EXPECT_TRUE(song.IsChanged());
    EXPECT_TRUE(song.Save());
    EXPECT_FALSE(song.IsChanged());
    song.highRate[0][1] = 3;
    EXPECT_TRUE(song.IsChanged());

    std::string text = ReadText("data/song.mid.score");
    EXPECT_NE(text.find("player me\n"), std::string::npos);
    EXPECT_NE(text.find("highscore_ins0_key12 999\n"), std::string::npos);
    EXPECT_NE(text.find("highrate_ins0_key1 -1\n"), std::string::npos);
    EXPECT_NE(text.find("highscore_ins1_key4 123456\n"), std::string::npos);
    // 2 kinds x 12 key counts x 2 parts, and the foreign key.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 49);

    MidiContainer again;
    again.Load(nullptr, "song.mid", nullptr);
    EXPECT_EQ(again.highScore[11][0], 999);

    // Loading a song with more parts into the same container sizes the tables anew (ASan
    // catches writes past tables sized for the first song).
    WriteSong("wide.mid", Header(0, 1, 96) + Track(NoteOn(0, 6, 60, 100)));
    again.Load(nullptr, "wide.mid", nullptr);
    EXPECT_EQ(again.maxChannel, 6);
    EXPECT_EQ(again.highScore[11][6], 0);
    EXPECT_EQ(again.highRate[11][6], -1);
    again.highScore[11][6] = 77;
    EXPECT_TRUE(again.Save());
    EXPECT_NE(ReadText("data/wide.mid.score").find("highscore_ins6_key12 77\n"), std::string::npos);
}

TEST_F(MidiContainerTest, UnreadableSongKeepsDefaultsAndAFailedSaveStaysChanged)
{
    MidiContainer missing;
    missing.Load(nullptr, "missing.mid", nullptr);
    EXPECT_EQ(missing.midi, nullptr);
    EXPECT_EQ(missing.firstEvent, nullptr);
    EXPECT_EQ(missing.maxChannel, 0);
    EXPECT_TRUE(missing.positions.empty());
    ASSERT_NE(missing.highScore[0], nullptr);
    EXPECT_EQ(missing.highRate[5][0], -1);
    EXPECT_EQ(log.texts, std::vector<std::string>({"File Open Error."}));

    MidiContainer longName;
    testing::internal::CaptureStderr();
    longName.Load(nullptr, std::string(300, 'a') + ".mid", nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(longName.midi, nullptr);

    // A score file in a folder that does not exist cannot be written.
    missing.path = "no-such-folder/missing.mid";
    missing.highScore[0][0] = 10;
    EXPECT_FALSE(missing.Save());
    EXPECT_TRUE(missing.IsChanged());
}

} // namespace

namespace {

// Score of part 'part' with 4 keys in the score file, or -2 when it holds none.
int StoredScore(const std::string &text, int part)
{
    const std::string key = "highscore_ins" + std::to_string(part) + "_key4 ";
    const size_t at = text.find(key);
    return at == std::string::npos ? -2 : std::atoi(text.c_str() + at + key.size());
}

} // namespace

TEST_F(MidiContainerTest, TwoGamesSavingOneSongNeverLoseEachOthersRecords)
{
    WriteSong("song.mid", Header(0, 1, 96) + Track(NoteOn(0, 1, 60, 100) + NoteOn(96, 1, 60, 0)));
    {
        std::ofstream score("data/song.mid.score");
        score << "highscore_ins0_key4 300\nhighrate_ins0_key4 2\n";
    }
    // Both games read the file; B saves a record for part 0, then A one for part 1.
    MidiContainer a;
    MidiContainer b;
    a.Load(nullptr, "song.mid", nullptr);
    b.Load(nullptr, "song.mid", nullptr);
    b.highScore[3][0] = 900;
    ASSERT_TRUE(b.Save());
    a.highScore[3][1] = 500;
    a.highRate[3][0] = 1; // lower than the stored rate: the stored one stays
    ASSERT_TRUE(a.Save());
    const std::string text = ReadText("data/song.mid.score");
    EXPECT_EQ(StoredScore(text, 0), 900);
    EXPECT_EQ(StoredScore(text, 1), 500);
    EXPECT_NE(text.find("highrate_ins0_key4 2\n"), std::string::npos);
    // A now holds what the file holds, so its card shows B's record and nothing looks changed.
    EXPECT_EQ(a.highScore[3][0], 900);
    EXPECT_EQ(a.highRate[3][0], 2);
    EXPECT_FALSE(a.IsChanged());

    // Two processes, each raising its own part's record and saving, in turn.
    const int saves = 100;
    pid_t children[2];
    for (int part = 0; part < 2; ++part) {
        children[part] = fork();
        if (children[part] == 0) {
            MidiContainer game;
            game.Load(nullptr, "song.mid", nullptr);
            bool saved = true;
            for (int i = 1; i <= saves; ++i) {
                game.highScore[3][part] = 1000 + i;
                saved = game.Save() && saved;
            }
            _exit(saved ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string after = ReadText("data/song.mid.score");
    EXPECT_EQ(StoredScore(after, 0), 1000 + saves);
    EXPECT_EQ(StoredScore(after, 1), 1000 + saves);
}
