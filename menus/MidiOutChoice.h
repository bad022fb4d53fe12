// MidiOutChoice: opening the configured MIDI output, with the built-in synthesizer standing in
// for a device that is gone.
#pragma once

#include <string>

// Opens MIDI output 'deviceId'. A device that is gone (an external synthesizer unplugged) or does
// not open gives way to the built-in synthesizer (device 0) rather than to silence; 'problem'
// then says so for the player, else it is emptied. Returns the device opened.
int OpenMidiOutOrBuiltIn(int deviceId, std::string &problem);
