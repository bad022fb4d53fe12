// MidiOutChoice: opening the configured MIDI output, with the built-in synthesizer standing in
// for a device that is gone.
#include "menus/MidiOutChoice.h"

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "text/MessageCatalog.h"

int OpenMidiOutOrBuiltIn(int deviceId, std::string &problem)
{
    problem.clear();
    if (static_cast<unsigned int>(deviceId) < GetDevIDNum() &&
        OpenMidiOut(static_cast<unsigned int>(deviceId)) == 0) {
        return deviceId;
    }
    problem = FormatText(Tr("MIDI output %d is not available; playing through the built-in "
                            "synthesizer"),
                         deviceId);
    OpenMidiOut(0);
    return 0;
}
