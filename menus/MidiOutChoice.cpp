// MidiOutChoice: opening the configured MIDI output, with the built-in synthesizer standing in
// for a device that is gone.
#include "menus/MidiOutChoice.h"

#include "midi/ReadMidi.h"

int OpenMidiOutOrBuiltIn(int deviceId, std::string &problem)
{
    problem.clear();
    if (static_cast<unsigned int>(deviceId) < GetDevIDNum() &&
        OpenMidiOut(static_cast<unsigned int>(deviceId)) == 0) {
        return deviceId;
    }
    problem = "MIDI output " + std::to_string(deviceId) +
              " is not available; playing through the built-in synthesizer";
    OpenMidiOut(0);
    return 0;
}
