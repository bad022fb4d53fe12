// FakeMidiIn: MIDI input backend fed by hand, for tests.
#pragma once

#include <deque>

#include "devices/MidiInPort.h"

// Messages pushed with Press, Release or Push wait until Poll takes them, as a keyboard's
// messages wait in the sequencer until the game reads them.
class FakeMidiIn : public MidiInPort
{
public:
    bool Open() override
    {
        open = true;
        return openResult;
    }
    void Close() override
    {
        open = false;
        waiting.clear();
    }
    bool Poll(MidiInMessage &message) override
    {
        if (!open || waiting.empty())
            return false;
        message = waiting.front();
        waiting.pop_front();
        return true;
    }

    void Push(MidiInMessage message) { waiting.push_back(message); }
    // Note On (velocity 100) and Note Off of a note on channel 1.
    void Press(int note) { Push({0x90, static_cast<uint8_t>(note), 100}); }
    void Release(int note) { Push({0x80, static_cast<uint8_t>(note), 0}); }
    // What Open returns (default true).
    void SetOpenResult(bool result) { openResult = result; }
    bool IsOpen() const { return open; }

private:
    std::deque<MidiInMessage> waiting;
    bool open = false;
    bool openResult = true;
};
