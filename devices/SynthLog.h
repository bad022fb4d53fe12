// SynthLog: FluidSynth's own messages, passed on as our warnings, each kind once per song.
#pragma once

#include <string>

// Sends FluidSynth's warnings and errors to ShowWarning instead of its own stderr lines. A
// synthesizer fed a hostile song repeats one complaint thousands of times a second ("Failed
// to allocate a synthesis process. (chan=0,key=60)"), so each kind of message (its text with
// the numbers left out) is passed on once until ForgetSynthLogKinds. Thread-safe: FluidSynth
// logs from the audio thread.
void RouteSynthLog();
// Each kind may be told once more (called when the synthesizer is reset for another song).
void ForgetSynthLogKinds();
// The kind of a message: its text with every run of digits replaced by one '#'.
std::string SynthLogKind(const std::string &message);
