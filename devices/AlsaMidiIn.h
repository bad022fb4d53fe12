// AlsaMidiIn: input from MIDI keyboards through the ALSA sequencer.
#pragma once

#include <string>
#include <vector>

#include "devices/AlsaPorts.h"
#include "devices/MidiInPort.h"

// Opens a sequencer client named after the game with one writable port, and connects the
// chosen sources to it. Poll reads without waiting.
class AlsaMidiIn : public MidiInPort
{
public:
    explicit AlsaMidiIn(std::vector<AlsaPort> sources);
    ~AlsaMidiIn() override;
    AlsaMidiIn(const AlsaMidiIn &) = delete;
    AlsaMidiIn &operator=(const AlsaMidiIn &) = delete;

    // The readable ports of other clients, in client:port order; empty without a sequencer.
    static std::vector<AlsaPort> ListSources();
    // True for a device's port (a USB or serial keyboard), false for a program's.
    static bool IsHardware(const AlsaPort &port);

    bool Open() override;
    void Close() override;
    bool Poll(MidiInMessage &message) override;

private:
    std::vector<AlsaPort> sources;
    snd_seq_t *sequencer = nullptr;
};
