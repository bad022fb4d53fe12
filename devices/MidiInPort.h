// MidiInPort: the interface every MIDI input backend implements.
#pragma once

#include <cstdint>
#include <string>

// One channel message received (status with channel, and its data bytes; 0 where absent).
struct MidiInMessage
{
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

// One MIDI input (a keyboard). Used from the main thread only; Poll never blocks.
class MidiInPort
{
public:
    virtual ~MidiInPort() = default;

    // Starts receiving. False when the input cannot be opened.
    virtual bool Open() = 0;
    // Stops receiving; Poll then finds nothing.
    virtual void Close() = 0;
    // Takes the oldest message that arrived and was not taken yet; false when there is none.
    virtual bool Poll(MidiInMessage &message) = 0;
};
