// MidiOutPort: the interface every MIDI output backend implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Result codes of a short message, as the MIDI functions report them.
enum MidiOutResult
{
    MIDI_OUT_OK = 0,
    MIDI_OUT_INVALID_HANDLE = 5, ///< no device open
    MIDI_OUT_NOT_READY = 67,     ///< the device cannot take the message now
    MIDI_OUT_BAD_OPEN = 70,      ///< the device was opened in a way that cannot send
};

// One MIDI output device. The MIDI functions (OpenMidiOut, SendEvent, ...) drive the one open
// port; only one thread uses a port at a time.
class MidiOutPort
{
public:
    virtual ~MidiOutPort() = default;

    // Makes the device ready to send. False on failure.
    virtual bool Open() = 0;
    // Releases the device; sending afterwards reports MIDI_OUT_INVALID_HANDLE.
    virtual void Close() = 0;
    // One channel or system message packed little-endian: status | data1 << 8 | data2 << 16.
    // Returns a MidiOutResult.
    virtual int ShortMessage(uint32_t packed) = 0;
    // A system exclusive message (or raw bytes of an F7 escape). Returns when the device no
    // longer needs the buffer.
    virtual int LongMessage(const unsigned char *bytes, size_t length) = 0;
    // Stops every sounding note and resets the controllers.
    virtual void Reset() = 0;
    // Product name shown to the player (at most 31 characters).
    virtual std::string Name() const = 0;
    // Time from sending a message to its sound leaving the device, in ms. The play scene sends
    // every event this much early so that it is heard at its time. 0 for a device that plays
    // at once or cannot tell (an external synthesizer).
    virtual int GetLatencyMs() const { return 0; }
    // Messages the device dropped because it could not keep up (a flood of events), since it
    // was opened. 0 for a device that never drops. Any thread.
    virtual uint64_t GetDroppedMessages() const { return 0; }
};
