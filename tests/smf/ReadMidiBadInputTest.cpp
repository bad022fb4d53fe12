// Tests of the MIDI file reader on damaged and hostile files: the warnings shown, the result, and
// that no byte after the end of the file is ever read.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

using Texts = std::vector<std::string>;

// The bytes placed at the very end of a readable mapping, right before a page that cannot be
// read: a read past the last byte stops the test with a fault even without a sanitizer.
class GuardedBytes
{
public:
    explicit GuardedBytes(const Bytes &bytes)
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        size = bytes.size();
        mappedSize = (size / page + 2) * page;
        void *memory =
            mmap(nullptr, mappedSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            return;
        }
        base = static_cast<unsigned char *>(memory);
        unsigned char *guard = base + mappedSize - page;
        start = guard - size;
        if (size > 0) {
            std::memcpy(start, bytes.data(), size);
        }
        mprotect(guard, page, PROT_NONE);
    }
    ~GuardedBytes()
    {
        if (base != nullptr) {
            munmap(base, mappedSize);
        }
    }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    const unsigned char *Data() const { return start; }
    size_t Size() const { return size; }
    bool IsValid() const { return base != nullptr; }

private:
    unsigned char *base = nullptr;
    unsigned char *start = nullptr;
    size_t size = 0;
    size_t mappedSize = 0;
};

struct Case
{
    const char *what;
    Bytes bytes;
    Texts texts;   ///< warnings in order
    bool readable; ///< a file record comes back
    // Further checks of a readable file, after its analysis.
    std::function<void(MidiFile *, MidiContainer &)> check;
};

std::vector<Case> Cases()
{
    const Bytes header = Header(0, 1, 96);
    const Texts notMidi{"File is NOT midi."};
    const Texts invalidTrack{"INVALID TRACK"};
    Bytes headerOf10 = Chunk("MThd", 10) + Bytes{0, 0, 0, 1, 0, 96, 0, 0, 0, 0};
    Bytes cut13 = Header(0, 1, 96);
    cut13.pop_back();
    return {
        {"empty file", Bytes{}, notMidi, false, nullptr},
        {"header cut to 13 bytes", cut13, notMidi, false, nullptr},
        {"MThd only", Bytes{'M', 'T', 'h', 'd'}, notMidi, false, nullptr},
        {"header length 10", headerOf10 + Track(NoteOn(0, 0, 60, 100)), notMidi, false, nullptr},
        {"65535 tracks promised, none present", Header(1, 0xFFFF, 96), invalidTrack, false,
         nullptr},
        // The chunk length is not used: the track ends at its End of Track event.
        {"chunk length FFFFFFFF",
         header + Chunk("MTrk", 0xFFFFFFFF) + NoteOn(0, 0, 60, 100) + END_OF_TRACK,
         {},
         true,
         [](MidiFile *, MidiContainer &song) {
             ASSERT_EQ(song.positions.size(), 1u);
             EXPECT_TRUE(song.positions[0].isNote);
         }},
        {"chunk length FFFFFFFF without End of Track",
         header + Chunk("MTrk", 0xFFFFFFFF) + NoteOn(0, 0, 60, 100), invalidTrack, false, nullptr},
        // A delta ends after its 4th byte; the 5th byte is then read as the event's first byte:
        // here a data byte that continues the running status of the note before.
        {"5-byte delta after a note",
         header + Track(NoteOn(0, 0, 60, 100) + Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x40}),
         {},
         true,
         [](MidiFile *midi, MidiContainer &song) {
             ASSERT_EQ(song.positions.size(), 2u);
             const MidiEvent *second = song.positions[1].event;
             EXPECT_EQ(second->delta, 0x0FFFFFFFu);
             EXPECT_EQ(second->status, 0x90);
             EXPECT_EQ(second->data1, 0x7F);
             EXPECT_EQ(second->data2, 0x40);
             // 0x0FFFFFFF ticks at 120 bpm and 96 ticks per quarter: about 16 days.
             EXPECT_EQ(song.positions[1].time, 1398101328);
             EXPECT_EQ(midi->tempo, 500000u);
         }},
        {"5-byte delta as the first event",
         header + Track(Bytes{0x81, 0x80, 0x80, 0x80, 0x00}),
         {"Invalid Status Byte", "INVALID TRACK"},
         false,
         nullptr},
        {"5-byte meta length",
         header + Track(Bytes{0x00, 0xFF, 0x01, 0x81, 0x80, 0x80, 0x80, 0x05}), invalidTrack, false,
         nullptr},
        {"delta cut by the end of the file",
         header + Track(NoteOn(0, 0, 60, 100) + Bytes{0x81}, false), invalidTrack, false, nullptr},
        {"meta length cut by the end of the file",
         header + Track(Bytes{0x00, 0xFF, 0x01, 0x81}, false), invalidTrack, false, nullptr},
        {"note cut by the end of the file", header + Track(Bytes{0x00, 0x90, 0x3C}, false),
         invalidTrack, false, nullptr},
        {"meta length FF FF FF 7F",
         header + Track(Bytes{0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}), invalidTrack,
         false, nullptr},
        {"escape longer than the file", header + Track(Bytes{0x00, 0xF7, 0x10, 0x01}, false),
         invalidTrack, false, nullptr},
        {"track without End of Track runs into the next chunk",
         Header(1, 2, 96) + Track(NoteOn(0, 0, 60, 100), false) + Track(NoteOn(0, 1, 62, 100)),
         invalidTrack, false, nullptr},
        // Tempo 0 is kept as written: every later event falls at the time of the tempo event.
        {"tempo 0",
         header + Track(NoteOn(96, 0, 60, 100) + Tempo(0, 0) + NoteOn(96, 0, 62, 100) +
                        Tempo(96, 500000) + NoteOn(96, 0, 64, 100)),
         {},
         true,
         [](MidiFile *midi, MidiContainer &song) {
             ASSERT_EQ(song.positions.size(), 5u);
             EXPECT_EQ(song.positions[1].time, 500);
             EXPECT_EQ(song.positions[2].time, 500);
             EXPECT_EQ(song.positions[3].time, 500);
             EXPECT_EQ(song.positions[4].time, 1000);
             EXPECT_EQ(song.tempoLevel, 80);
             EXPECT_EQ(midi->tempo, 500000u); // restored after the walk
         }},
    };
}

TEST(ReadMidiBadInputTest, DamagedFilesGiveTheirWarningsAndNeverReadPastTheEnd)
{
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(InitMidiLib(), 0);
        {
            // From memory, with nothing readable after the last byte.
            WarningLog log;
            GuardedBytes guarded(c.bytes);
            ASSERT_TRUE(guarded.IsValid());
            MidiFile *midi = ReadMidiBuffer(guarded.Data(), guarded.Size(), "song.mid");
            EXPECT_EQ(midi != nullptr, c.readable);
            EXPECT_EQ(log.texts, c.texts);
            if (midi != nullptr) {
                MidiContainer song;
                song.midi = midi;
                EXPECT_NE(song.AnalyzeMidi(), nullptr);
                if (c.check) {
                    c.check(midi, song);
                }
            }
        }
        {
            // The same bytes as a file on disk.
            WarningLog log;
            TempMidiFile file(c.bytes);
            EXPECT_EQ(ReadMidiFile(file.Path()) != nullptr, c.readable);
            EXPECT_EQ(log.texts, c.texts);
        }
        ReleaseMidiLib();
    }
}

} // namespace
