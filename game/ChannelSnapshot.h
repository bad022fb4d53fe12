// ChannelSnapshot: the programs, controllers, pitch bends and tempo in effect at a point of a
// song, as the messages that bring a synthesizer there when playback jumps to that point.
#pragma once

#include <cstdint>
#include <vector>

#include "smf/ReadMidi.h"
#include "song/KeyPositionTable.h"

class ChannelSnapshot
{
public:
    // What is in effect at song time 'at' (ms) of 'song' (the song's records in time order):
    // for every channel and every controller, program, channel pressure and pitch bend, the last
    // value set before 'at', sent again in the song's own order (so a bank select still comes
    // before its program change). Whatever the section [at, until) changes but nothing set
    // before 'at' gets its power-on value first (volume 100, pan 64, expression 127, no
    // parameter number selected, program 0, pitch bend centred, others 0). 'initialTempo' is
    // the tempo (us per quarter note) before the song's first Set Tempo.
    ChannelSnapshot(const KeyPositionTable &song, int at, int until, uint32_t initialTempo);

    // The messages, in the order they are to be sent (channel messages only).
    const std::vector<MidiEvent> &Events() const { return events; }
    // The tempo (us per quarter note) in effect at 'at'.
    uint32_t Tempo() const { return tempo; }

    // Sends Events() through SendEvent.
    void Send() const;

private:
    std::vector<MidiEvent> events;
    uint32_t tempo;
};
