// AlsaMidiOut: output to a port of the ALSA sequencer (hardware synthesizers, software synths).
#pragma once

#include <string>
#include <vector>

#include "devices/MidiOutPort.h"

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

// One port that accepts MIDI data from other clients.
struct AlsaPortInfo
{
    int client;       ///< sequencer client number
    int port;         ///< port number within the client
    std::string name; ///< the port's name
};

// Sends every message straight to one sequencer port (no queue, no subscription needed).
class AlsaMidiOut : public MidiOutPort
{
public:
    explicit AlsaMidiOut(AlsaPortInfo destination);
    ~AlsaMidiOut() override;
    AlsaMidiOut(const AlsaMidiOut &) = delete;
    AlsaMidiOut &operator=(const AlsaMidiOut &) = delete;

    // The ports that take MIDI from others, in client:port order; empty without a sequencer.
    static std::vector<AlsaPortInfo> ListPorts();

    bool Open() override;
    void Close() override;
    int ShortMessage(uint32_t packed) override;
    int LongMessage(const unsigned char *bytes, size_t length) override;
    void Reset() override;
    std::string Name() const override;

private:
    int SendBytes(const unsigned char *bytes, size_t length);

    AlsaPortInfo destination;
    snd_seq_t *sequencer = nullptr;
    snd_midi_event_t *encoder = nullptr;
    int ownPort = -1;
};
