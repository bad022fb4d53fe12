// Fuzz target for the MIDI file reader, merger and song analysis (clang with libFuzzer).
// Build: tests/midi/fuzz/build.sh <out-dir>; run: <out-dir>/read-midi-fuzz -max_len=4096 <corpus>
#include <cstddef>
#include <cstdint>

#include "midi/MidiContainer.h"
#include "midi/ReadMidi.h"
#include "platform/MessageBox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        SetWarningSink([](const std::string &) {});
        return true;
    }();
    (void)quiet;
    InitMidiLib();
    MidiFile *midi = ReadMidiBuffer(data, size, "fuzz.mid");
    if (midi != nullptr) {
        MidiContainer song;
        song.midi = midi;
        MidiEvent *event = song.AnalyzeMidi();
        // The preview's walk: every event including the blank record, through the tempo rule.
        while (event != nullptr) {
            event = SendEvent(event, midi);
        }
    }
    ReleaseMidiLib();
    return 0;
}
