// Fuzz target for the MIDI file reader, the track merger, the song analysis and the event walk.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>

#include "devices/MidiOut.h"
#include "devices/NullMidiOut.h"
#include "platform/MessageBox.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Warnings and device traffic are not what is tested: they go nowhere.
    static NullMidiOut *device = [] {
        SetWarningSink([](const std::string &) {});
        NullMidiOut *port = new NullMidiOut;
        SetMidiOutOverride(port);
        return port;
    }();
    InitMidiLib();
    MidiFile *midi = ReadMidiBuffer(data, size, "fuzz.mid");
    if (midi != nullptr) {
        MidiContainer song;
        song.midi = midi;
        MidiEvent *event = song.AnalyzeMidi();
        // The preview's walk: every event up to the blank record, through the tempo rule.
        OpenMidiOut(0);
        while (event != nullptr) {
            event = SendEvent(event, midi);
        }
        // A second analysis of the same file finds the tracks already merged.
        song.AnalyzeMidi();
    }
    ReleaseMidiLib();
    (void)device;
    return 0;
}
