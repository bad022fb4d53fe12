// The song a player chooses is read into a table of its own, without the merged list: what the
// game sends from it must be exactly what it sent from the list, on good files and damaged ones.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "game/Sequencer.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

// Every message a song's table sends from start to end, and the song's tempo after each event,
// one line per event.
std::vector<std::string> SentFrom(const KeyPositionTable &table, MidiFile *song)
{
    CaptureMidiOut capture([] { return Uint32(0); });
    SetMidiOutOverride(&capture);
    OpenMidiOut(0);
    Sequencer sequencer;
    sequencer.Reset(table, -1, song);
    std::vector<std::string> lines;
    for (; sequencer.GetNext() != nullptr; sequencer.SendNext()) {
        const size_t before = capture.Messages().size();
        sequencer.Send(*sequencer.GetNext());
        std::ostringstream line;
        line << "tempo " << song->tempo << ":";
        for (size_t m = before; m < capture.Messages().size(); ++m) {
            for (unsigned char byte : capture.Messages()[m].bytes)
                line << ' ' << std::hex << int(byte);
            line << " |";
        }
        lines.push_back(line.str());
    }
    CloseMidiOut();
    SetMidiOutOverride(nullptr);
    return lines;
}

Bytes FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Hand-made songs with what real ones seldom hold, and real songs damaged in several ways.
std::vector<std::pair<std::string, Bytes>> Songs()
{
    std::vector<std::pair<std::string, Bytes>> songs;
    const Bytes sysEx{0x00, 0xF0, 0x04, 0x7E, 0x7F, 0x09, 0xF7};
    const Bytes emptySysEx{0x10, 0xF0, 0x00};
    const Bytes escape{0x00, 0xF7, 0x02, 0xF3, 0x01};
    const Bytes emptyEscape{0x05, 0xF7, 0x00};
    const Bytes name{0x00, 0xFF, 0x03, 0x03, 'a', 'b', 'c'};
    const Bytes running{0x20, 0x40, 0x00, 0x10, 0xC2, 0x05, 0x00, 0xE1, 0x00, 0x40};
    songs.push_back({"system and meta events",
                     Header(1, 2, 96) +
                         Track(name + Tempo(0, 400000) + Tempo(0, 300000) + sysEx + emptySysEx +
                               escape + emptyEscape + Tempo(50, 700000)) +
                         Track(NoteOn(0, 1, 60, 100) + running + NoteOn(7, 1, 62, 0))});
    songs.push_back({"tempo after tick 0 only",
                     Header(0, 1, 480) +
                         Track(NoteOn(1, 0, 60, 100) + Tempo(0, 250000) + NoteOn(480, 0, 60, 0))});
    songs.push_back({"no events", Header(1, 2, 480) + Track({}) + Track({})});
    songs.push_back({"unknown chunk between tracks", Header(1, 2, 96) + Track(NoteOn(0, 2, 40, 1)) +
                                                         Chunk("XTRA", 2) + Bytes{1, 2} +
                                                         Track(sysEx + NoteOn(3, 3, 41, 2))});
    for (const std::string &path : RealSongs())
        songs.push_back({path, FileBytes(path)});
    const std::vector<std::string> real = RealSongs();
    if (!real.empty()) {
        const Bytes whole = FileBytes(real.front());
        for (size_t cut : {whole.size() / 3, whole.size() / 2, whole.size() - 1})
            songs.push_back({"cut to " + std::to_string(cut),
                             Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))});
        for (size_t at = 14; at < whole.size(); at += whole.size() / 7 + 1) {
            Bytes changed = whole;
            changed[at] ^= 0xA5;
            songs.push_back({"byte " + std::to_string(at) + " changed", changed});
        }
        Bytes lying = whole;
        for (size_t i = 18; i < 22 && i < lying.size(); ++i)
            lying[i] = 0xFF; // the first track's chunk length
        songs.push_back({"chunk length FFFFFFFF", lying});
    }
    return songs;
}

} // namespace

TEST(PlayPath, SendsWhatTheMergedListSends)
{
    for (const auto &entry : Songs()) {
        SCOPED_TRACE(entry.first);
        TempMidiFile file(entry.second);
        InitMidiLib();
        // The merged list, as every song was read before.
        MidiContainer list;
        list.midi = ReadMidiFile(file.Path());
        list.firstEvent = list.AnalyzeMidi();
        // The table of the song's own, as the selection reads the chosen song.
        MidiContainer table;
        table.path = file.Path();
        table.TakeEvents(MidiContainer::ReadEvents(file.Path(), "song.mid"));
        ASSERT_EQ(table.midi != nullptr, list.midi != nullptr);
        if (list.midi != nullptr) {
            EXPECT_EQ(table.midi->format, list.midi->format);
            EXPECT_EQ(table.midi->trackCount, list.midi->trackCount);
            EXPECT_EQ(table.midi->division, list.midi->division);
            EXPECT_EQ(table.startTempo, list.startTempo);
            EXPECT_EQ(table.maxChannel, list.maxChannel);
            EXPECT_EQ(table.tempoLevel, list.tempoLevel);
            EXPECT_EQ(table.lengthLevel, list.lengthLevel);
            for (int c = 0; c < 16; ++c) {
                EXPECT_EQ(table.noteCounts[c], list.noteCounts[c]) << "channel " << c;
                EXPECT_EQ(table.programs[c], list.programs[c]) << "channel " << c;
                EXPECT_EQ(table.density[c], list.density[c]) << "channel " << c;
            }
            ASSERT_EQ(table.positions.size(), list.positions.size());
            for (size_t i = 0; i < list.positions.size(); ++i) {
                const KeyPosition &mine = table.positions[i];
                const KeyPosition &theirs = list.positions[i];
                ASSERT_TRUE(mine.time == theirs.time && mine.type == theirs.type &&
                            mine.note == theirs.note && mine.channel == theirs.channel &&
                            mine.isNote == theirs.isNote)
                    << "record " << i;
            }
            const std::vector<std::string> sent = SentFrom(table.positions, table.midi);
            EXPECT_EQ(sent, SentFrom(list.positions, list.midi));
        }
        table.ReleaseEvents();
        ReleaseMidiLib();
    }
}
