// MidiOut: the one open MIDI output device: opening, sending events, resets and device names,
// and the reader's heap with it (InitMidiLib/ReleaseMidiLib), since closing comes first.
#pragma once

#include <cstdint>

#include "smf/PlayEvent.h"
#include "smf/ReadMidi.h"

class MidiOutPort;

extern "C" {

// Creates the private heap that holds every record read or merged until ReleaseMidiLib.
// Returns 0, or -1 on failure (then any open device is closed).
int InitMidiLib(void);
// Silences and closes the open device, if any, then frees the private heap and every song in it.
void ReleaseMidiLib(void);

// Opens output device 'deviceId' (0: the built-in synthesizer; 1..n: ALSA sequencer ports).
// 0 on success, -1 on failure (the previous device stays closed).
int OpenMidiOut(unsigned int deviceId);
// Note-off sweep and close, if a device is open. Always 0.
int CloseMidiOut(void);
// Sends or applies one event (Set Tempo updates midi->tempo; other meta events are ignored)
// and returns its successor. A null event returns null.
MidiEvent *SendEvent(MidiEvent *event, MidiFile *midi);
// Note Off for every note of every channel (2048 messages); returns the last device result.
int SendStopEvent(void);
// Resets the device, then Program Change 0 on channels 0..15.
void SendResetMessage(void);
// Sends the GS reset system exclusive message to the open device.
void SendMSWavetableGSSynthResetGS(void);
// Number of output devices (the built-in synthesizer and the sequencer's ports).
unsigned int GetDevIDNum(void);
// Product name of a device (at most 31 characters; empty for an unknown id). Every call
// returns the same module buffer, overwritten by the next call.
char *GetDevName(unsigned int deviceId);
// GetDevName for the device of the last successful OpenMidiOut.
char *GetActiveDevName(void);

} // extern "C"

// Sends or applies one event of a song's timed table exactly as SendEvent does the same event
// read into a list (Set Tempo updates midi->tempo; other meta events are ignored).
void SendPlayEvent(const PlayEvent &event, MidiFile *midi);

// Test hook: while set (not null), OpenMidiOut with any id opens this port instead of a real
// device. The port is not owned.
void SetMidiOutOverride(MidiOutPort *port);
// Output latency (ms) of the open device, 0..MAX_OUTPUT_LATENCY; 0 while none is open.
int GetMidiOutLatency();
constexpr int MAX_OUTPUT_LATENCY = 1000; ///< ms; a larger report is taken as this
// Messages the open device dropped since it was opened (it could not keep up); 0 while none is
// open.
uint64_t GetMidiOutDropped();
// True for the one device name that is sent the GS reset ("Microsoft GS Wavetable Synth");
// none of this game's devices has it.
bool IsGsResetDevice(const char *name);
