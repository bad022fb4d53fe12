// Tests of the MIDI file reader, the merger and the conversions, with hand-made files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "tests/smf/MidiBytes.h"

namespace {

class ReadMidiTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(InitMidiLib(), 0); }
    void TearDown() override { ReleaseMidiLib(); }

    // Reads the bytes as a file; the warnings shown go to 'log'.
    MidiFile *Read(const Bytes &bytes)
    {
        TempMidiFile file(bytes);
        return ReadMidiFile(file.Path());
    }

    std::vector<MidiEvent *> List(MidiEvent *head)
    {
        std::vector<MidiEvent *> events;
        for (MidiEvent *e = head; e != nullptr; e = e->next) {
            events.push_back(e);
        }
        return events;
    }

    // Each record of a list as "delta status data1 data2", or "delta status/type length" for
    // meta and SysEx records (status in hex).
    std::vector<std::string> Describe(MidiEvent *head)
    {
        std::vector<std::string> lines;
        char line[64];
        for (MidiEvent *e = head; e != nullptr; e = e->next) {
            if (e->status >= 0xF0)
                std::snprintf(line, sizeof line, "%u %02X/%02X %d", e->delta, e->status,
                              e->metaType, e->length);
            else
                std::snprintf(line, sizeof line, "%u %02X %d %d", e->delta, e->status, e->data1,
                              e->data2);
            lines.push_back(line);
        }
        return lines;
    }

    WarningLog log;
};

using Texts = std::vector<std::string>;

TEST_F(ReadMidiTest, EachFailureShowsItsTextsInOrderAndReturnsNull)
{
    EXPECT_EQ(ReadMidiFile("/nonexistent/song.mid"), nullptr);
    EXPECT_EQ(log.texts, Texts({"File Open Error."}));

    struct Case
    {
        Bytes bytes;
        Texts texts;
    } cases[] = {
        {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, {"File is NOT midi."}},
        {Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 0, 0, 1, 0, 96, 0}, {"File is NOT midi."}},
        {Header(0, 1, 0) + Track({}), {"File is NOT midi."}}, // division 0
        {Bytes{'M', 'T', 'h'}, {"File is NOT midi."}},
        {Header(0, 1, 96) + Bytes{'M', 'T', 'r', 'x', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0},
         {"INVALID TRACK"}},
        {Header(0, 1, 96) + Track(Bytes{0x00, 0x3C, 0x40}),
         {"Invalid Status Byte", "INVALID TRACK"}},
        {Header(0, 1, 96) + Track(Bytes{0x00, 0xFF, 0x58, 0x03, 4, 2, 24}),
         {"Invalid Data Length of Static Length Meta Event", "INVALID TRACK"}},
        {Header(0, 1, 96) + Track(Bytes{0x00, 0xFF, 0x51, 0x02, 7, 0xA1}),
         {"Invalid Data Length of Static Length Meta Event", "INVALID TRACK"}},
        // A tempo event claiming far more bytes than the file holds has the wrong length too.
        {Header(0, 1, 96) + Track(Bytes{0x00, 0xFF, 0x51, 0x8F, 0xFF, 0xFF, 0x7F}, false),
         {"Invalid Data Length of Static Length Meta Event", "INVALID TRACK"}},
        // End of file inside a track (no End of Track event).
        {Header(0, 1, 96) + Track(NoteOn(0, 0, 60, 100), false), {"INVALID TRACK"}},
        // The header promises two tracks, the file holds one.
        {Header(1, 2, 96) + Track(NoteOn(0, 0, 60, 100)), {"INVALID TRACK"}},
        // A SysEx longer than the rest of the file.
        {Header(0, 1, 96) + Track(Bytes{0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 1, 2}, false),
         {"INVALID TRACK"}},
    };
    for (const Case &c : cases) {
        log.texts.clear();
        EXPECT_EQ(Read(c.bytes), nullptr);
        EXPECT_EQ(log.texts, c.texts);
    }
}

TEST_F(ReadMidiTest, ReadsHeaderEventsRunningStatusAndLongDeltas)
{
    Bytes events = NoteOn(0, 1, 60, 64) + Bytes{0x00, 0x3E, 0x40} // running status
                   + Bytes{0x10, 0xC2, 0x05}                      // program change
                   + Bytes{0x00, 0xFF, 0x03, 0x02, 'h', 'i'}      // track name
                   + Bytes{0x00, 0x40}                            // data after meta: running status
                   + Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x91, 1, 2};   // 4-byte delta, top bit set
    MidiFile *midi = Read(Header(1, 1, 480) + Track(events));
    ASSERT_NE(midi, nullptr);
    EXPECT_TRUE(log.texts.empty());
    EXPECT_EQ(midi->format, 1);
    EXPECT_EQ(midi->trackCount, 1);
    EXPECT_EQ(midi->division, 480);
    EXPECT_EQ(midi->tempo, 500000u);

    // Six events and End of Track. The running status after a meta event is still that of
    // the last channel message. A delta of four bytes ends after the fourth whatever its top
    // bit; the next byte is the status.
    EXPECT_EQ(Describe(midi->tracks[0]),
              Texts({"0 91 60 64", "0 91 62 64", "16 C2 5 0", "0 FF/03 2", "0 C2 64 0",
                     "268435455 91 1 2", "0 FF/2F 0"}));
    EXPECT_EQ(std::memcmp(midi->tracks[0]->next->next->next->data, "hi", 2), 0);
}

TEST_F(ReadMidiTest, ReadsSysExEscapesAndUnknownMetaEvents)
{
    Bytes sysex(200, 0x11);
    sysex.back() = 0xF7;
    Bytes events = Vlq(0) + Bytes{0xF0} + Vlq(200) + sysex        // length needs two bytes
                   + Vlq(5) + Bytes{0xF7, 0x03, 0x90, 0x3C, 0x40} // escape: raw bytes
                   + Vlq(7) + Bytes{0xFF, 0x60, 0x01, 0x00}       // meta type nobody defines
                   + NoteOn(1, 0, 64, 90)                         // a note
                   + Vlq(0) + Bytes{0xF0, 0x01, 0xF7}             // a short SysEx
                   + Vlq(0) + Bytes{0x40, 0x00};                  // running status again
    MidiFile *midi = Read(Header(0, 1, 96) + Track(events));
    ASSERT_NE(midi, nullptr);
    EXPECT_TRUE(log.texts.empty());
    // The unknown meta event stays in place so the following delta keeps its meaning. A SysEx
    // does not take over the running status of the note before it. SysEx data starts with F0.
    EXPECT_EQ(Describe(midi->tracks[0]),
              Texts({"0 F0/00 201", "5 F7/00 3", "7 FF/60 1", "1 90 64 90", "0 F0/00 2",
                     "0 90 64 0", "0 FF/2F 0"}));
    const MidiEvent *first = midi->tracks[0];
    EXPECT_EQ(first->data[0], 0xF0);
    EXPECT_EQ(first->data[200], 0xF7);
    EXPECT_EQ(first->next->data[0], 0x90); // the escape's raw bytes
}

TEST_F(ReadMidiTest, MergesByTickWithTiesInTrackOrderAndEndsWithBlankRecordEvenWithoutTracks)
{
    Bytes track0 = NoteOn(10, 0, 60, 100) + NoteOn(0, 0, 61, 100);
    Bytes track1 = Bytes{};
    Bytes track2 = NoteOn(5, 2, 70, 100) + NoteOn(5, 2, 71, 100) + NoteOn(20, 2, 72, 100);
    MidiFile *midi = Read(Header(1, 3, 96) + Track(track0) + Track(track1) + Track(track2));
    ASSERT_NE(midi, nullptr);
    std::vector<MidiEvent *> list = List(MargeTrack(midi));
    // Five events and the blank record; no End of Track.
    EXPECT_EQ(Describe(list[0]), Texts({"5 92 70 100", "5 90 60 100", "0 90 61 100", "0 92 71 100",
                                        "20 92 72 100", "0 00 0 0"}));
    EXPECT_EQ(list[3]->track, 2); // tick 10 in track 2 comes after tick 10 in track 0
    const MidiEvent blank{};
    EXPECT_EQ(std::memcmp(list[5], &blank, sizeof blank), 0);
    // The merged records are copies: the track heads now point at End of Track.
    EXPECT_EQ(midi->tracks[0]->metaType, 0x2F);
    EXPECT_EQ(midi->tracks[2]->metaType, 0x2F);

    // A file without tracks merges to the blank record alone.
    MidiFile *empty = Read(Header(0, 0, 96));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->trackCount, 0);
    EXPECT_EQ(Describe(MargeTrack(empty)), Texts({"0 00 0 0"}));
}

// Two tracks built in memory that run past tick 2^48 (about 65,500 gaps of 2^32 - 1 ticks):
// the merge still orders them by tick and gives every gap exactly, however far in they are.
TEST_F(ReadMidiTest, MergeKeepsOrderAndGapsOfTracksPastTick2To48)
{
    const uint32_t gap = 0xFFFFFFFF;
    const size_t perTrack = 65600;
    std::vector<MidiEvent> tracks[2];
    for (int t = 0; t < 2; ++t) {
        tracks[t].resize(perTrack + 1); // the last record ends the list, as End of Track does
        for (size_t i = 0; i < perTrack; ++i) {
            // Track 1 runs one tick ahead of track 0.
            tracks[t][i] = MidiEvent(0x90, static_cast<uint8_t>(t), 100, 0, 0, nullptr,
                                     t == 1 && i == 0 ? gap - 1 : gap, &tracks[t][i + 1], t);
        }
    }
    MidiEvent *heads[2] = {tracks[0].data(), tracks[1].data()};
    MidiFile midi{heads, 96, 500000, 2, 1, nullptr};
    std::vector<MidiEvent *> list = List(MargeTrack(&midi));
    ASSERT_EQ(list.size(), 2 * perTrack + 1);
    for (size_t i = 0; i < 2 * perTrack; ++i) {
        const int track = i % 2 == 0 ? 1 : 0;
        ASSERT_EQ(list[i]->track, track) << "event " << i;
        ASSERT_EQ(list[i]->delta, i == 0 ? gap - 1 : track == 1 ? gap - 1 : 1u) << "event " << i;
    }
}

// A song too big for its track lists to be kept for the next file (2.4 million events) gives
// their pages back while it is merged: every merged event must still be the one the tracks
// held, in order, up to the last.
TEST_F(ReadMidiTest, HugeSongMergesTheSameWhileItsTrackListsAreGivenBack)
{
    const int tracks = 4;
    const size_t perTrack = 600000;
    Bytes file = Header(1, tracks, 96);
    for (int t = 0; t < tracks; ++t) {
        // Track t plays at ticks t, t + 4, t + 8 ...; after the first event running status
        // leaves three bytes per event.
        Bytes body = NoteOn(static_cast<uint32_t>(t), t, 0, 100);
        body.reserve(3 * perTrack + 8);
        for (size_t i = 1; i < perTrack; ++i) {
            body.insert(body.end(), {4, static_cast<unsigned char>(i % 100), 100});
        }
        file = file + Track(body);
    }
    MidiFile *midi = Read(file);
    ASSERT_NE(midi, nullptr);
    size_t count = 0;
    MidiEvent *event = MargeTrackCounted(midi, &count);
    ASSERT_EQ(count, tracks * perTrack);
    for (size_t k = 0; k < count; ++k, event = event->next) {
        ASSERT_EQ(event->track, static_cast<int>(k % tracks)) << "event " << k;
        ASSERT_EQ(event->data1, (k / tracks) % 100) << "event " << k;
        ASSERT_EQ(event->delta, k == 0 ? 0u : 1u) << "event " << k;
    }
    const MidiEvent blank{};
    EXPECT_EQ(std::memcmp(event, &blank, sizeof blank), 0);
}

TEST_F(ReadMidiTest, EachFileKeepsItsEventsWhateverIsReadOrMergedAfterIt)
{
    // The space that holds a file's track lists serves the next file once the first is merged:
    // files read before any merge, merged out of order, with another read in between, must
    // each come out whole. Event data points into the song's own copy of the bytes.
    Bytes name = Bytes{0x00, 0xFF, 0x03, 0x03, 'o', 'n', 'e'};
    Bytes sysex = Bytes{0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7};
    Bytes bytesA = Header(1, 2, 96) + Track(name + sysex + NoteOn(10, 0, 60, 100)) +
                   Track(NoteOn(5, 1, 62, 90));
    Bytes bytesB = Header(0, 1, 96) + Track(NoteOn(0, 2, 64, 80) + NoteOn(20, 2, 65, 80));

    Bytes buffer = bytesA;
    MidiFile *a = ReadMidiBuffer(buffer.data(), buffer.size(), "a.mid");
    std::fill(buffer.begin(), buffer.end(), 0);
    MidiFile *b = Read(bytesB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    MidiEvent *mergedB = MargeTrack(b);
    MidiFile *c = Read(bytesB);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(List(a->tracks[0]).size(), 4u);
    MidiEvent *mergedA = MargeTrack(a);
    MidiEvent *mergedC = MargeTrack(c);

    std::vector<MidiEvent *> listA = List(mergedA);
    ASSERT_EQ(listA.size(), 5u);
    EXPECT_EQ(listA[0]->metaType, 0x03);
    ASSERT_EQ(listA[0]->length, 3);
    EXPECT_EQ(std::memcmp(listA[0]->data, "one", 3), 0);
    const unsigned char stored[] = {0xF0, 0x7E, 0x7F, 0xF7};
    ASSERT_EQ(listA[1]->length, 4);
    EXPECT_EQ(std::memcmp(listA[1]->data, stored, 4), 0);
    EXPECT_EQ(listA[2]->data1, 62);
    EXPECT_EQ(listA[2]->delta, 5u);
    EXPECT_EQ(listA[2]->track, 1);
    EXPECT_EQ(listA[3]->data1, 60);
    EXPECT_EQ(listA[3]->delta, 5u);
    for (size_t i = 0; i + 1 < listA.size(); ++i) {
        EXPECT_EQ(listA[i]->next, listA[i] + 1) << "one array, record after record";
    }
    for (MidiEvent *merged : {mergedB, mergedC}) {
        std::vector<MidiEvent *> list = List(merged);
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[0]->data1, 64);
        EXPECT_EQ(list[1]->data1, 65);
        EXPECT_EQ(list[1]->delta, 20u);
    }
}

TEST_F(ReadMidiTest, ConversionsAndNoteNames)
{
    MidiEvent event{};
    MidiFile file{};
    event.delta = 480;
    file.tempo = 500000;
    file.division = 480;
    EXPECT_EQ(GetDeltaMilliSecond(&event, &file), 500);
    EXPECT_EQ(GetDeltaMilliSecond(&event, nullptr), -1);
    event.delta = 1;
    file.division = 96;
    EXPECT_DOUBLE_EQ(static_cast<double>(GetDeltaMilliSecond(&event, &file)), 500.0 / 96);

    event.status = 0xFF;
    EXPECT_EQ(GetEventType(&event), 0xFF);
    event.status = 0xF0;
    EXPECT_EQ(GetEventType(&event), 0xF0);
    event.status = 0x9A;
    EXPECT_EQ(GetEventType(&event), 0x90);
    EXPECT_EQ(GetChannel(&event), 0x0A);

    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    event.data1 = 60;
    EXPECT_EQ(GetNote(&event, buffer, 4), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetNote(&event, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "C2");
    EXPECT_EQ(buffer[7], 0);
    event.data1 = 1;
    GetNote(&event, buffer, 5);
    EXPECT_STREQ(buffer, "C#-3");
    event.data1 = 127;
    GetNote(&event, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "G7");
}

TEST_F(ReadMidiTest, VariableLengthQuantityStopsAfterFourBytes)
{
    unsigned char bytes[] = {0x81, 0x80, 0x80, 0x80, 0x05, 0x7F};
    MidiFileBuffer buffer{bytes, sizeof bytes, 0, false, "vlq"};
    uint32_t value = 0;
    EXPECT_EQ(ReadDelta(&buffer, &value), 0x00200000u);
    EXPECT_EQ(value, 0x00200000u);
    EXPECT_EQ(buffer.position, 4u);
    EXPECT_EQ(ReadDelta(&buffer, nullptr), 5u);
    EXPECT_FALSE(buffer.failed);
    ReadDelta(&buffer, nullptr);
    ReadDelta(&buffer, nullptr); // past the end
    EXPECT_TRUE(buffer.failed);
}

TEST_F(ReadMidiTest, ReadingWithoutLibraryFailsCleanly)
{
    ReleaseMidiLib();
    EXPECT_EQ(Read(Header(0, 1, 96) + Track(NoteOn(0, 0, 60, 1))), nullptr);
    EXPECT_EQ(log.texts, Texts({"INVALID TRACK"}));
    EXPECT_EQ(MargeTrack(nullptr), nullptr);
    ASSERT_EQ(InitMidiLib(), 0);
}

} // namespace

namespace {

// A chunk of any type around 'body', with its length field set to 'length' (default: right).
Bytes Chunk(const char *type, const Bytes &body, int64_t length = -1)
{
    uint32_t n = length < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(length);
    return Bytes(type, type + 4) +
           Bytes{static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                 static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)} +
           body;
}

// Every merged event as (track, delta, status, data1, data2, meta type) text.
std::string Events(MidiFile *midi)
{
    std::string text;
    for (MidiEvent *e = MargeTrack(midi); e != nullptr; e = e->next) {
        text += std::to_string(e->track) + ":" + std::to_string(e->delta) + ":" +
                std::to_string(e->status) + ":" + std::to_string(e->data1) + ":" +
                std::to_string(e->data2) + ":" + std::to_string(e->metaType) + " ";
    }
    return text;
}

} // namespace

TEST_F(ReadMidiTest, UnknownChunksAndPaddingAfterEndOfTrackAreSkippedWhenTheirLengthsFit)
{
    const Bytes first = Tempo(0, 400000) + NoteOn(10, 0, 60, 100) + NoteOn(5, 0, 60, 0);
    const Bytes second = NoteOn(3, 1, 64, 90) + NoteOn(20, 1, 64, 0);
    const Bytes endOfTrack{0x00, 0xFF, 0x2F, 0x00};
    // Padding that would be read as a Note On and a broken meta event if it were events.
    const Bytes padding{0x00, 0x90, 0x30, 0x40, 0x00, 0xFF, 0x60, 0x00};
    const std::string plain = Events(Read(Header(1, 2, 96) + Track(first) + Track(second)));
    ASSERT_FALSE(plain.empty());

    const Bytes variants[] = {
        // alien chunks before, between and after the tracks
        Header(1, 2, 96) + Chunk("XFIH", Bytes(10, 0x7F)) + Track(first) + Chunk("abcd", Bytes{}) +
            Track(second) + Chunk("XFKM", Bytes{1, 2, 3}),
        // bytes after End of Track inside the track chunk
        Header(1, 2, 96) + Chunk("MTrk", first + endOfTrack + padding) + Track(second),
        // a length beyond the file, or one that ends before End of Track: End of Track rules
        Header(1, 2, 96) + Chunk("MTrk", first + endOfTrack, 0x7FFFFFFF) + Track(second),
        Header(1, 2, 96) + Chunk("MTrk", first + endOfTrack, 2) + Track(second),
    };
    for (const Bytes &variant : variants) {
        EXPECT_EQ(Events(Read(variant)), plain);
    }
    EXPECT_TRUE(log.texts.empty());

    // What was refused before still is, with the same texts: a chunk type that is not text, a
    // chunk longer than the file, and padding whose length does not fit the file.
    const Bytes refused[] = {
        Header(1, 2, 96) + Chunk("X\x01IH", Bytes(10, 0)) + Track(first) + Track(second),
        Header(1, 2, 96) + Track(first) + Chunk("XFIH", Bytes(10, 0), 11) + Track(second),
        Header(1, 2, 96) + Chunk("MTrk", first + endOfTrack + padding, 0x7FFFFFFF) + Track(second),
    };
    for (const Bytes &bytes : refused) {
        log.texts.clear();
        EXPECT_EQ(Read(bytes), nullptr);
        EXPECT_EQ(log.texts.back(), "INVALID TRACK");
    }
}
