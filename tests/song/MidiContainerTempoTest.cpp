// Tests of the song analysis on songs with many tempo changes: every event's time stays exact.
#include <gtest/gtest.h>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

// 20,000 tempo changes between 120 and 80 beats per minute with a note after each, and a second
// track whose notes fall between them: each time is the exact sum of the steps before it,
// truncated once, and the analysis takes one pass however many tempo changes there are.
TEST(MidiContainerTempoTest, TwentyThousandTempoChangesKeepEveryTimeExact)
{
    const int changes = 20000;
    const int division = 480;
    Bytes tempoTrack, noteTrack;
    for (int i = 0; i < changes; ++i) {
        Bytes step = Tempo(0, i % 2 == 0 ? 500000 : 750000) + NoteOn(480, 0, 60, 100);
        tempoTrack.insert(tempoTrack.end(), step.begin(), step.end());
    }
    // 160 ticks: a third of a beat, 166.666 ms at the fast tempo, 250 ms at the slow one.
    for (int i = 0; i < 3 * changes; ++i) {
        Bytes note = NoteOn(160, 1, 64, 100);
        noteTrack.insert(noteTrack.end(), note.begin(), note.end());
    }
    ASSERT_EQ(InitMidiLib(), 0);
    TempMidiFile file(Header(1, 2, division) + Track(tempoTrack) + Track(noteTrack));
    MidiContainer song;
    song.midi = ReadMidiFile(file.Path());
    ASSERT_NE(song.midi, nullptr);
    ASSERT_NE(song.AnalyzeMidi(), nullptr);
    ASSERT_EQ(song.positions.size(), static_cast<size_t>(2 * changes + 3 * changes));

    // Beat b (0-based) starts at 1250 ms per pair of beats; a third of a beat into a fast beat
    // adds 500/3 ms, into a slow one 250 ms.
    auto beatStart = [](long long b) { return (b / 2) * 1250 + (b % 2) * 500; };
    long long lastNote0 = -1;
    int notes1 = 0;
    for (const KeyPosition &p : song.positions) {
        if (p.channel == 0) {
            long long b = ++lastNote0; // the note closing beat b
            ASSERT_EQ(p.time, beatStart(b + 1)) << "channel 0 note " << b;
        } else if (p.channel == 1) {
            long long third = ++notes1; // thirds of beats since the start
            long long b = third / 3;
            long long part = third % 3;
            long long exactMicro = beatStart(b) * 1000 + part * (b % 2 == 0 ? 500000 : 750000) / 3;
            ASSERT_EQ(p.time, exactMicro / 1000) << "channel 1 note " << third;
        }
    }
    EXPECT_EQ(notes1, 3 * changes);
    EXPECT_EQ(song.tempoLevel, 100); // 80 bpm is slower than 96
    EXPECT_EQ(song.lengthLevel, 100);
    EXPECT_EQ(song.midi->tempo, 500000u);
    EXPECT_EQ(song.maxChannel, 1);
    ReleaseMidiLib();
}

} // namespace
