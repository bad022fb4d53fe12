// AlsaMidiIn: input from MIDI keyboards through the ALSA sequencer.
#pragma once

#include <string>
#include <vector>

#include "midi/MidiInPort.h"

typedef struct _snd_seq snd_seq_t;

// One port of the sequencer that other clients can read MIDI from.
struct AlsaSourceInfo
{
    int client;       ///< sequencer client number
    int port;         ///< port number within the client
    std::string name; ///< the port's name
    bool hardware;    ///< a device's port (a USB or serial keyboard), not a program's
};

// Opens a sequencer client named after the game with one writable port, and connects the
// chosen sources to it. Poll reads without waiting.
class AlsaMidiIn : public MidiInPort
{
public:
    explicit AlsaMidiIn(std::vector<AlsaSourceInfo> sources);
    ~AlsaMidiIn() override;
    AlsaMidiIn(const AlsaMidiIn &) = delete;
    AlsaMidiIn &operator=(const AlsaMidiIn &) = delete;

    // The readable ports of other clients, in client:port order; empty without a sequencer.
    static std::vector<AlsaSourceInfo> ListSources();

    bool Open() override;
    void Close() override;
    bool Poll(MidiInMessage &message) override;

private:
    std::vector<AlsaSourceInfo> sources;
    snd_seq_t *sequencer = nullptr;
};
