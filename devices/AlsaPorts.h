// AlsaPorts: opening the ALSA sequencer quietly and listing the MIDI ports of other clients.
#pragma once

#include <string>
#include <vector>

typedef struct _snd_seq snd_seq_t;

// One MIDI port of another sequencer client.
struct AlsaPort
{
    int client;        ///< sequencer client number
    int port;          ///< port number within the client
    std::string name;  ///< the port's name
    unsigned int type; ///< SND_SEQ_PORT_TYPE_* bits
};

// The sequencer opened in 'streams' (SND_SEQ_OPEN_*) and 'mode' (0 or SND_SEQ_NONBLOCK) without
// ALSA's own error lines (a machine without one is normal); null when there is none.
snd_seq_t *OpenAlsaSequencer(int streams, int mode);
// The MIDI ports of other clients that have every one of the 'capabilities' bits
// (SND_SEQ_PORT_CAP_*), in client:port order; empty without a sequencer.
std::vector<AlsaPort> ListAlsaPorts(unsigned int capabilities);
