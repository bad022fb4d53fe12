// The sequencer on a hand-made song, driven by send positions: what goes out, when, and once.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "game/PlayHarness.h"
#include "game/Sequencer.h"

namespace {
const int PART = 0;

// The song of every case: a program change on channel 2 at 0; at 100 ms the part's note 60
// (50 ms long) and channel 2's note 40 (100 ms long).
void FillSong(TestSong &song)
{
    song.Add(0, 0xC1, 5, 0);
    song.Note(100, PART, 60, 50);
    song.Note(100, 1, 40, 100);
}

// One call of a case: the send position (ms), whether the part sounds by itself, which of
// the part's notes count as late (those before 'lateBefore'), and the messages it must send.
struct Step
{
    int sending;
    bool autoPlay;
    int lateBefore;
    std::vector<std::string> sent; ///< "status data..." in hex, in order
    bool over;                     ///< NothingInPlay afterwards
};

class SequencerTest : public ::testing::Test
{
protected:
    Uint32 clock = 0;
    CaptureMidiOut capture{[this]() { return clock; }};
    TestSong song;
    KeyPositionTable table;
    Sequencer sequencer;
    std::vector<int> missed; ///< times of the notes the late check took out of play

    void SetUp() override
    {
        InitMidiLib();
        SetMidiOutOverride(&capture);
        OpenMidiOut(0);
        FillSong(song);
        table = KeyPositionTable(song.Positions());
        sequencer.Reset(table, PART, &song.file);
    }
    void TearDown() override
    {
        CloseMidiOut();
        SetMidiOutOverride(nullptr);
        ReleaseMidiLib();
    }

    // The messages since the last call, without times.
    std::vector<std::string> Taken()
    {
        std::vector<std::string> lines;
        for (const CapturedMidiMessage &message : capture.Messages()) {
            const std::string line = PlayHarness::Line(message);
            lines.push_back(line.substr(line.find(' ') + 1));
        }
        capture.Clear();
        return lines;
    }

    void Advance(const Step &step)
    {
        clock = static_cast<Uint32>(step.sending);
        sequencer.Advance(step.sending, step.sending, step.autoPlay,
                          [&](const KeyPosition &record) {
                              if (record.time >= step.lateBefore)
                                  return false;
                              missed.push_back(record.time);
                              return true;
                          });
    }

    void Play(const std::vector<Step> &steps)
    {
        for (const Step &step : steps) {
            SCOPED_TRACE("send position " + std::to_string(step.sending));
            Advance(step);
            EXPECT_EQ(Taken(), step.sent);
            EXPECT_EQ(sequencer.NothingInPlay(), step.over);
        }
    }

    // The slot and record of the part's first note.
    const KeyPosition &PartNote() const { return table[1]; }
};
} // namespace

TEST_F(SequencerTest, EveryEventGoesOutOnceInTheCallWhoseSendPositionHasPassedIt)
{
    EXPECT_TRUE(sequencer.GetTable().IsSharedWith(table)) << "the table is shared, not copied";
    Play({
        {0, true, INT_MIN, {}, false},
        {1, true, INT_MIN, {"C1 05"}, false},
        {100, true, INT_MIN, {}, false},
        {101, true, INT_MIN, {"90 3C 64", "91 28 64"}, false},
        {101, true, INT_MIN, {}, false},
        // Both Note Offs; the part's note stays in play (for the player) until it is late.
        {400, true, INT_MIN, {"80 3C 00", "81 28 00"}, false},
        {401, true, 101, {}, true},
    });
    EXPECT_EQ(missed, std::vector<int>{100});
}

TEST_F(SequencerTest, SelfPlayLeavesThePartSilentUntilAHitSendsIt)
{
    Play({
        {101, false, INT_MIN, {"C1 05", "91 28 64"}, false},
        {160, false, INT_MIN, {"80 3C 00"}, false},
    });
    // Hit late, after its written end went out: it sounds now and ends 50 ms later.
    clock = 170;
    sequencer.PlayHit(PartNote(), 0, 170);
    EXPECT_EQ(Taken(), std::vector<std::string>{"90 3C 64"});
    EXPECT_FALSE(sequencer.IsOpen(0));
    sequencer.SendPendingNoteOffs(220);
    EXPECT_TRUE(Taken().empty());
    sequencer.SendPendingNoteOffs(221);
    EXPECT_EQ(Taken(), std::vector<std::string>{"80 3C 00"});
    Play({{300, false, 1000, {"81 28 00"}, true}});
    EXPECT_TRUE(missed.empty()) << "a hit note is never missed";

    // The end of the song: one sweep, not one per call.
    sequencer.StopOnce();
    const size_t sweep = Taken().size();
    EXPECT_EQ(sweep, 2048u);
    sequencer.StopOnce();
    EXPECT_TRUE(Taken().empty());
}

TEST_F(SequencerTest, AnAutoPlayHitBeforeItsTimeIsSentAtItsTimeAndAfterItNeverAgain)
{
    Play({{51, true, INT_MIN, {"C1 05"}, false}});
    sequencer.KeepForItsTime(PartNote(), 0);
    EXPECT_EQ(sequencer.GetState(0), Sequencer::HIT_EARLY);
    Play({
        {101, true, 1000, {"90 3C 64", "91 28 64"}, false},
        {301, true, 1000, {"80 3C 00", "81 28 00"}, true},
    });
    EXPECT_TRUE(missed.empty()) << "a note hit early is not missed";

    sequencer.Reset(table, PART, &song.file);
    Play({{101, true, INT_MIN, {"C1 05", "90 3C 64", "91 28 64"}, false}});
    sequencer.KeepForItsTime(PartNote(), 0);
    EXPECT_EQ(sequencer.GetState(0), Sequencer::DONE) << "sent already: out of play";
    Play({{301, true, 1000, {"80 3C 00", "81 28 00"}, true}});
}

TEST_F(SequencerTest, AJumpBackPlaysTheSectionAgainFromTheSharedTable)
{
    Play({{301, true, 1000, {"C1 05", "90 3C 64", "91 28 64", "80 3C 00", "81 28 00"}, true}});
    ASSERT_EQ(missed, std::vector<int>{100});
    sequencer.JumpTo(100, INT_MAX, 500000);
    const std::vector<std::string> jump = Taken();
    // Silence first (All Sound Off on every channel, then the sweep), then the channels' state
    // at the jump: channel 2's program.
    ASSERT_GE(jump.size(), 16u + 2048u + 1u);
    EXPECT_EQ(jump[0], "B0 78 00");
    EXPECT_EQ(jump.back(), "C1 05");
    EXPECT_TRUE(sequencer.IsOpen(0)) << "the part's note waits for the player again";
    EXPECT_EQ(sequencer.GetPlayedUpTo(), 100);
    Play({
        {100, true, INT_MIN, {}, false},
        {101, true, INT_MIN, {"90 3C 64", "91 28 64"}, false},
    });
    EXPECT_TRUE(sequencer.GetTable().IsSharedWith(table));
}
