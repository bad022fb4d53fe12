// MidiKeyboard: a MIDI keyboard as a game controller: which notes went down and which are held.
#pragma once

#include <memory>
#include <string>
#include <vector>

class MidiInPort;

// Opens the MIDI input chosen by the `mididev` setting and turns its Note On messages into
// presses and its Note Off messages (or Note On with velocity 0) into releases. Without a
// sequencer, or when the input cannot be opened, it simply reports nothing.
class MidiKeyboard
{
public:
    // Device 0 connects every hardware keyboard; device i >= 1 is the i-th readable port of
    // DeviceNames (also a program's port, such as an on-screen keyboard).
    explicit MidiKeyboard(int deviceId);
    ~MidiKeyboard();
    MidiKeyboard(const MidiKeyboard &) = delete;
    MidiKeyboard &operator=(const MidiKeyboard &) = delete;

    // Names of the devices, index = device id: "All MIDI keyboards", then each readable port.
    static std::vector<std::string> DeviceNames();
    // Test hook: while set (not null), every MidiKeyboard reads this port instead of a device.
    // The port is not owned.
    static void SetOverride(MidiInPort *port);

    bool IsOpen() const { return port != nullptr; }
    // Reads every message that arrived since the last call; returns the notes pressed, in the
    // order they arrived.
    std::vector<int> Poll();
    // True while the note is held down.
    bool IsHeld(int note) const { return note >= 0 && note < 128 && held[note]; }

private:
    MidiInPort *port = nullptr;            ///< the open input, or null
    std::unique_ptr<MidiInPort> ownedPort; ///< the device made here (not the test override)
    bool held[128] = {};
};
