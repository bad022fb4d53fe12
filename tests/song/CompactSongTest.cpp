// Tests of the compact song reader: a song read for the game's own use (summaries, songinfo) has
// the same events at the same times, and the same warnings, as the merged and analysed list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/CompactSong.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

// What a reading gave: the warnings in order and, when readable, one line per event.
struct Reading
{
    bool readable = false;
    std::vector<std::string> warnings;
    std::vector<std::string> events; ///< "time status data1 data2 meta | data bytes in hex"
};

std::string Line(int time, int status, int data1, int data2, int meta, const unsigned char *data,
                 size_t length)
{
    std::string line = std::to_string(time) + " " + std::to_string(status) + " " +
                       std::to_string(data1) + " " + std::to_string(data2) + " " +
                       std::to_string(meta) + " |";
    char hex[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", data[i]);
        line += hex;
    }
    return line;
}

// The list reader: ReadMidiFile, merged and analysed as the game always did.
Reading ReadAsList(const Bytes &bytes)
{
    TempMidiFile file(bytes);
    Reading reading;
    WarningLog log;
    InitMidiLib();
    {
        MidiContainer song;
        song.midi = ReadMidiFile(file.Path());
        song.firstEvent = song.AnalyzeMidi();
        reading.readable = song.midi != nullptr;
        for (const KeyPosition &p : song.positions) {
            const MidiEvent *e = p.event;
            // A SysEx record holds its own 0xF0 before the bytes of the file.
            const bool sysEx = e->status == 0xF0 && e->length > 0;
            reading.events.push_back(Line(p.time, e->status, e->data1, e->data2, e->metaType,
                                          e->data + (sysEx ? 1 : 0),
                                          static_cast<size_t>(e->length - (sysEx ? 1 : 0))));
        }
    }
    ReleaseMidiLib();
    reading.warnings = log.texts;
    return reading;
}

Reading ReadCompact(const Bytes &bytes)
{
    TempMidiFile file(bytes);
    Reading reading;
    WarningLog log;
    CompactSong song;
    reading.readable = song.Read(file.Path(), CompactSong::Keep::Events);
    for (size_t i = 0; i < song.Totals().events; ++i) {
        const TimedEvent &e = song.Events()[i];
        reading.events.push_back(Line(e.time, e.status, e.data1, e.data2, e.metaType,
                                      song.Image() + e.dataOffset, e.length));
    }
    reading.warnings = log.texts;
    return reading;
}

Bytes FileOf(const std::string &path)
{
    Bytes bytes;
    FILE *in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        return bytes;
    }
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(in);
    return bytes;
}

// Every real song: the same events in the same order, at the same milliseconds, with the same
// data bytes, whichever reader reads it.
TEST(CompactSongTest, RealSongsReadAsTheListReaderReadsThem)
{
    const std::vector<std::string> songs = RealSongs();
    ASSERT_FALSE(songs.empty());
    for (const std::string &path : songs) {
        const Bytes bytes = FileOf(path);
        const Reading list = ReadAsList(bytes);
        const Reading compact = ReadCompact(bytes);
        ASSERT_TRUE(list.readable) << path;
        EXPECT_TRUE(compact.readable) << path;
        EXPECT_EQ(compact.warnings, list.warnings) << path;
        ASSERT_EQ(compact.events.size(), list.events.size()) << path;
        for (size_t i = 0; i < list.events.size(); ++i) {
            ASSERT_EQ(compact.events[i], list.events[i]) << path << " event " << i;
        }
    }
}

// The library's summary of a song (read for its totals only) is the one a song read in full
// gives: parts, notes, programs, densities, levels, length and title.
TEST(CompactSongTest, SummariesMatchTheSongsReadInFull)
{
    std::vector<std::string> songs = RealSongs();
    for (const std::string &path : songs) {
        const size_t slash = path.rfind('/');
        const std::string folder = path.substr(0, slash);
        const std::string name = path.substr(slash + 1);
        const SongSummary quick = MidiContainer::ReadSummary(folder, name);
        const SongSummary full = MidiContainer::ReadEvents(path, name).summary;
        EXPECT_TRUE(quick.readable) << path;
        EXPECT_EQ(quick.name, full.name) << path;
        EXPECT_EQ(quick.size, full.size) << path;
        EXPECT_EQ(quick.format, full.format) << path;
        EXPECT_EQ(quick.tracks, full.tracks) << path;
        EXPECT_EQ(quick.maxChannel, full.maxChannel) << path;
        EXPECT_EQ(quick.lengthMs, full.lengthMs) << path;
        EXPECT_EQ(quick.tempoLevel, full.tempoLevel) << path;
        EXPECT_EQ(quick.lengthLevel, full.lengthLevel) << path;
        EXPECT_EQ(quick.title, full.title) << path;
        for (int c = 0; c < SongSummary::CHANNELS; ++c) {
            EXPECT_EQ(quick.notes[c], full.notes[c]) << path << " channel " << c;
            EXPECT_EQ(quick.programs[c], full.programs[c]) << path << " channel " << c;
            EXPECT_EQ(quick.density[c], full.density[c]) << path << " channel " << c;
        }
    }
    // An unreadable file says why, as before.
    TempMidiFile broken(Header(0, 1, 96) + Track(Bytes{0x00, 0x3C, 0x40}));
    const std::string path = broken.Path();
    const SongSummary quick = MidiContainer::ReadSummary(path.substr(0, path.rfind('/')),
                                                         path.substr(path.rfind('/') + 1));
    EXPECT_FALSE(quick.readable);
    EXPECT_TRUE(quick.indexed);
    EXPECT_EQ(quick.warning, "Invalid Status Byte");
}

struct Case
{
    const char *what;
    Bytes bytes;
    bool readable; ///< what the list reader makes of it
};

// Files whose chunks do not say where each track ends, whose tracks are broken, or whose ticks
// are unusual: the compact reader finds the same tracks, refuses the same files with the same
// warnings in the same order, and times the same events.
TEST(CompactSongTest, OddFilesReadAsTheListReaderReadsThem)
{
    const Bytes notes = NoteOn(0, 0, 60, 100) + NoteOn(96, 0, 60, 0);
    const Bytes other = NoteOn(48, 1, 64, 90) + NoteOn(48, 1, 64, 0);
    // One track's events in a chunk 'cut' bytes shorter than they are.
    const auto shortChunk = [](const Bytes &events, uint32_t cut) {
        const Bytes body = events + END_OF_TRACK;
        return Chunk("MTrk", static_cast<uint32_t>(body.size()) - cut) + body;
    };
    const Bytes badStatus = Bytes{0x00, 0x3C, 0x40};
    const Bytes badTempo = Bytes{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1};
    // 2^20 deltas of 2^28 - 1 ticks: past 2^48 ticks, where a tick no longer fits above a
    // track number in one key. Two such tracks, one tick apart, take turns all the way.
    Bytes longTrack = NoteOn(0, 0, 60, 100);
    Bytes otherLongTrack = NoteOn(1, 1, 62, 100);
    for (int i = 0; i < (1 << 20) + 2; ++i) {
        longTrack.insert(longTrack.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x40});
        otherLongTrack.insert(otherLongTrack.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x3E, 0x40});
    }
    const std::vector<Case> cases = {
        {"two tracks", Header(1, 2, 96) + Track(notes) + Track(other), true},
        {"ties go to the lower track",
         Header(1, 3, 96) + Track(NoteOn(10, 2, 60, 1)) +
             Track(NoteOn(0, 1, 61, 1) + NoteOn(10, 1, 61, 0)) +
             Track(NoteOn(0, 0, 62, 1) + NoteOn(5, 0, 62, 0) + NoteOn(5, 0, 63, 1)),
         true},
        {"a chunk that ends where its own SysEx holds a track",
         Header(1, 2, 96) + Chunk("MTrk", 11) + notes + Bytes{0x00, 0xF0, 16} +
             Track(NoteOn(0, 5, 70, 100)) + END_OF_TRACK + Track(other),
         true},
        {"chunk shorter than its track", Header(1, 2, 96) + shortChunk(notes, 3) + Track(other),
         true},
        {"chunk far shorter than its track",
         Header(1, 2, 96) + shortChunk(notes, 10) + Track(other), true},
        {"padding after End of Track",
         Header(1, 2, 96) + Chunk("MTrk", 16) + NoteOn(0, 0, 60, 100) + END_OF_TRACK +
             Bytes{0, 0, 0, 0, 0, 0, 0, 0} + Track(other),
         true},
        {"chunk length past the end of the file",
         Header(1, 1, 96) + Chunk("MTrk", 0xFFFFFFF0) + notes + END_OF_TRACK, true},
        {"unknown chunk between tracks",
         Header(1, 2, 96) + Track(notes) + Chunk("XFIH", 3) + Bytes{1, 2, 3} + Track(other), true},
        {"SysEx, escape and text",
         Header(0, 1, 96) +
             Track(Bytes{0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x10, 0xF7, 0x02, 0xF8, 0xFA, 0x00,
                         0xFF, 0x03, 0x02, 'h',  'i',  0x00, 0xFF, 0x7F, 0x00, 0x00, 0xF0, 0x00} +
                   notes),
         true},
        {"unknown meta type and a system status between running notes",
         Header(0, 1, 96) + Track(NoteOn(0, 0, 60, 100) + Bytes{0x00, 0xFF, 0x60, 0x01, 0x05, 0x05,
                                                                0xF6, 0x00, 0x3C, 0x00}),
         true},
        {"tempo changes in another track",
         Header(1, 2, 96) + Track(Tempo(48, 250000) + Tempo(100, 1000000)) + Track(notes + other),
         true},
        {"ticks past 2^48", Header(1, 2, 96) + Track(longTrack) + Track(otherLongTrack), true},
        {"no tracks", Header(1, 0, 96), true},
        {"later track broken first in time",
         Header(1, 2, 96) + Track(notes + badTempo) + Track(badStatus), false},
        {"broken after a short chunk",
         Header(1, 2, 96) + shortChunk(notes, 3) + Track(notes + badTempo), false},
        {"end of file inside a track", Header(1, 2, 96) + Track(notes) + Track(other, false),
         false},
        {"more tracks promised than present", Header(1, 3, 96) + Track(notes) + Track(other),
         false},
        {"meta data past the end of the file",
         Header(0, 1, 96) + Chunk("MTrk", 6) + Bytes{0x00, 0xFF, 0x01, 0x7F, 'a', 'b'}, false},
        {"division 0", Header(0, 1, 0) + Track(notes), false},
    };
    for (const Case &c : cases) {
        const Reading list = ReadAsList(c.bytes);
        const Reading compact = ReadCompact(c.bytes);
        ASSERT_EQ(list.readable, c.readable) << c.what;
        EXPECT_EQ(compact.readable, list.readable) << c.what;
        EXPECT_EQ(compact.warnings, list.warnings) << c.what;
        EXPECT_EQ(compact.events, list.events) << c.what;
        EXPECT_EQ(compact.events.empty(), !c.readable || std::strcmp(c.what, "no tracks") == 0)
            << c.what;
    }
}

// A song read again, or another song read into the same record, keeps nothing of the one
// before: its totals and events are its own.
TEST(CompactSongTest, ReadingAgainStartsAfresh)
{
    const Bytes loud = Header(0, 1, 96) + Track(Tempo(0, 1000000) + NoteOn(0, 3, 60, 100) +
                                                Bytes{0x00, 0xC3, 0x11} + NoteOn(960, 3, 60, 0));
    const Bytes quiet = Header(0, 1, 96) + Track(NoteOn(96, 0, 64, 100));
    CompactSong song;
    ASSERT_TRUE(song.ReadBytes(loud.data(), loud.size(), "loud", CompactSong::Keep::Events));
    EXPECT_EQ(song.Totals().notes[3], 1);
    EXPECT_EQ(song.Totals().programs[3], 0x11);
    EXPECT_EQ(song.Totals().slowestTempo, 1000000u);
    EXPECT_EQ(song.Totals().lastTime, 10000);

    ASSERT_TRUE(song.ReadBytes(quiet.data(), quiet.size(), "quiet", CompactSong::Keep::Totals));
    EXPECT_EQ(song.Totals().events, 1u);
    EXPECT_EQ(song.Totals().notes[3], 0);
    EXPECT_EQ(song.Totals().programs[3], 0);
    EXPECT_EQ(song.Totals().slowestTempo, 0u);
    EXPECT_EQ(song.Totals().lastTime, 500);
    EXPECT_EQ(song.Events(), nullptr);

    WarningLog log;
    EXPECT_FALSE(song.ReadBytes(nullptr, 0, "nothing", CompactSong::Keep::Events));
    EXPECT_EQ(song.Totals().events, 0u);
    EXPECT_EQ(song.Size(), 0u);
    EXPECT_EQ(log.texts, std::vector<std::string>{"File is NOT midi."});
}

} // namespace

// A song's title is the first track's name: a name in a later track (an instrument's, as a rule)
// is not the song's, whether the song is summarised or read to play.
TEST(CompactSongTest, TheTitleIsTheFirstTracksNameOnly)
{
    const Bytes song = {0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'};
    const Bytes bass = {0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's'};
    const Bytes notes = NoteOn(0, 0, 60, 100) + NoteOn(96, 0, 60, 0);
    for (bool named : {true, false}) {
        TempMidiFile file(Header(1, 2, 96) + Track(named ? song : Bytes{}) + Track(bass + notes));
        const std::string path = file.Path();
        const std::string folder = path.substr(0, path.rfind('/'));
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(MidiContainer::ReadSummary(folder, name).title, named ? "Song" : "");
        EXPECT_EQ(MidiContainer::ReadEvents(path, name).summary.title, named ? "Song" : "");
    }
}
