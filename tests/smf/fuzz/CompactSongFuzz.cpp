// Fuzz target for the compact song reader, against the list reader on the same bytes: both must
// accept the same files with the same warnings and give the same events at the same times.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "platform/MessageBox.h"
#include "smf/CompactSong.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"

namespace {

std::vector<std::string> g_warnings;

// Stops the run (libFuzzer keeps the input) when the two readers disagree.
void Agree(bool same)
{
    if (!same) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool sink = [] {
        SetWarningSink([](const std::string &line) { g_warnings.push_back(line); });
        return true;
    }();
    (void)sink;

    g_warnings.clear();
    CompactSong compact;
    const bool compactRead = compact.ReadBytes(data, size, "fuzz.mid", CompactSong::Keep::Events);
    const std::vector<std::string> compactWarnings = g_warnings;

    g_warnings.clear();
    InitMidiLib();
    MidiContainer song;
    song.midi = ReadMidiBuffer(data, size, "fuzz.mid");
    song.firstEvent = song.AnalyzeMidi();
    Agree(compactRead == (song.midi != nullptr));
    Agree(compactWarnings == g_warnings);
    if (compactRead) {
        const SongTotals &totals = compact.Totals();
        Agree(totals.events == song.positions.size());
        for (size_t i = 0; i < totals.events; ++i) {
            const TimedEvent &mine = compact.Events()[i];
            const KeyPosition &theirs = song.positions[i];
            const MidiEvent &event = *theirs.event;
            Agree(mine.time == theirs.time && mine.status == event.status &&
                  mine.data1 == event.data1 && mine.data2 == event.data2 &&
                  mine.metaType == event.metaType && mine.Type() == theirs.type &&
                  mine.IsNote() == theirs.isNote);
            // A SysEx record of the list holds its own 0xF0 before the file's bytes.
            const size_t skip = event.status == 0xF0 ? 1 : 0;
            Agree(mine.length + skip == static_cast<size_t>(event.length));
            Agree(mine.length == 0 || std::memcmp(compact.Image() + mine.dataOffset,
                                                  event.data + skip, mine.length) == 0);
        }
        // Read for its totals only, the song adds up the same.
        CompactSong counted;
        Agree(counted.ReadBytes(data, size, "fuzz.mid", CompactSong::Keep::Totals));
        const SongTotals &alone = counted.Totals();
        Agree(alone.events == totals.events && alone.lastTime == totals.lastTime &&
              alone.slowestTempo == totals.slowestTempo &&
              alone.titleOffset == totals.titleOffset && alone.titleLength == totals.titleLength &&
              std::memcmp(alone.notes, totals.notes, sizeof alone.notes) == 0 &&
              std::memcmp(alone.programs, totals.programs, sizeof alone.programs) == 0);
        const SongSummary summary = MidiContainer::SummaryOf(compact);
        Agree(summary.maxChannel == song.maxChannel && summary.tempoLevel == song.tempoLevel &&
              summary.lengthLevel == song.lengthLevel && summary.format == song.midi->format &&
              summary.tracks == song.midi->trackCount);
        Agree(summary.lengthMs == (song.positions.empty() ? 0 : song.positions.back().time));
        for (int c = 0; c < SongSummary::CHANNELS; ++c) {
            Agree(summary.notes[c] == song.noteCounts[c] &&
                  summary.programs[c] == song.programs[c] && summary.density[c] == song.density[c]);
        }
    }
    ReleaseMidiLib();
    return 0;
}
