// NullMidiOut: output backend that accepts every message and plays nothing.
#pragma once

#include "devices/MidiOutPort.h"

// For tools and runs without sound: every call succeeds and nothing is kept.
class NullMidiOut : public MidiOutPort
{
public:
    bool Open() override
    {
        open = true;
        return true;
    }
    void Close() override { open = false; }
    int ShortMessage(uint32_t) override { return open ? MIDI_OUT_OK : MIDI_OUT_INVALID_HANDLE; }
    int LongMessage(const unsigned char *, size_t) override
    {
        return open ? MIDI_OUT_OK : MIDI_OUT_INVALID_HANDLE;
    }
    void Reset() override {}
    std::string Name() const override { return "Null"; }

private:
    bool open = false;
};
