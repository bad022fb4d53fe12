// Fuzz target for the play path, against the merged list on the same bytes: both must accept the
// same files with the same warnings, time the same events alike and send the same messages.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "platform/MessageBox.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "song/PlaySong.h"

namespace {

std::vector<std::string> g_warnings;

// Stops the run (libFuzzer keeps the input) when the two paths disagree.
void Agree(bool same)
{
    if (!same) {
        std::abort();
    }
}

// The messages every record of 'table' sends in turn, and the tempo after each.
std::vector<std::vector<unsigned char>> Sent(CaptureMidiOut &capture, const KeyPositionTable &table,
                                             MidiFile *song)
{
    capture.Clear();
    std::vector<std::vector<unsigned char>> sent;
    for (const KeyPosition &record : table) {
        SendPlayEvent(record.event, song);
        sent.push_back({static_cast<unsigned char>(song->tempo >> 16),
                        static_cast<unsigned char>(song->tempo >> 8),
                        static_cast<unsigned char>(song->tempo)});
    }
    for (const CapturedMidiMessage &message : capture.Messages()) {
        sent.push_back(message.bytes);
    }
    return sent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static CaptureMidiOut *capture = [] {
        SetWarningSink([](const std::string &line) { g_warnings.push_back(line); });
        auto *port = new CaptureMidiOut([] { return Uint32(0); });
        SetMidiOutOverride(port);
        return port;
    }();

    g_warnings.clear();
    auto song = std::make_shared<PlaySong>();
    const bool read = song->ReadBytes(data, size, "fuzz.mid");
    const std::vector<std::string> warnings = g_warnings;
    const KeyPositionTable table = PlaySong::Table(song);
    const SongSummary summary = MidiContainer::SummaryOf(*song);
    const uint32_t startTempo = song->StartTempo();
    // The table alone keeps the song, its bytes and its header, as a song to play holds it.
    MidiFile *header = song->Header();
    song.reset();

    g_warnings.clear();
    InitMidiLib();
    OpenMidiOut(0);
    MidiContainer list;
    list.midi = ReadMidiBuffer(data, size, "fuzz.mid");
    list.firstEvent = list.AnalyzeMidi();
    Agree(read == (list.midi != nullptr));
    Agree(warnings == g_warnings);
    if (read) {
        Agree(table.size() == list.positions.size());
        for (size_t i = 0; i < table.size(); ++i) {
            const KeyPosition &mine = table[i];
            const KeyPosition &theirs = list.positions[i];
            Agree(mine.time == theirs.time && mine.type == theirs.type &&
                  mine.note == theirs.note && mine.channel == theirs.channel &&
                  mine.isNote == theirs.isNote);
        }
        Agree(startTempo == list.startTempo);
        Agree(summary.maxChannel == list.maxChannel && summary.tempoLevel == list.tempoLevel &&
              summary.lengthLevel == list.lengthLevel && summary.format == list.midi->format &&
              summary.tracks == list.midi->trackCount && header->format == list.midi->format &&
              header->trackCount == list.midi->trackCount &&
              header->division == list.midi->division);
        for (int c = 0; c < SongSummary::CHANNELS; ++c) {
            Agree(summary.notes[c] == list.noteCounts[c] &&
                  summary.programs[c] == list.programs[c] && summary.density[c] == list.density[c]);
        }
        Agree(Sent(*capture, table, header) == Sent(*capture, list.positions, list.midi));
    }
    ReleaseMidiLib();
    return 0;
}
