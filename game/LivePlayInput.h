// LivePlayInput: the play scene's input from the keyboard, joysticks and a MIDI keyboard.
#pragma once

#include <memory>

#include "framework/KeyAssign.h"
#include "game/PlayInput.h"

class MidiKeyboard;
class SceneManager;

// Reads the manager's key state and the MIDI keyboard (a note presses lane note mod lanes).
class LivePlayInput : public PlayInput
{
public:
    static constexpr int MAX_LANES = 12;
    // 'lanes': the bindings of the lanes (MAX_LANES); 'laneCount' lanes are played;
    // 'pauseKey' is the extra pause binding (kind and code 0: none); 'midiDevice' is config
    // "mididev" (0: every hardware keyboard; below 0: none).
    LivePlayInput(SceneManager *manager, const KeyAssign *lanes, int laneCount,
                  const KeyAssign &pauseKey, int midiDevice);
    ~LivePlayInput() override;
    PlayTurn Read(uint32_t now) override;

private:
    SceneManager *manager;
    KeyAssign lanes[MAX_LANES];
    int laneCount;
    KeyAssign pauseKey;
    std::unique_ptr<MidiKeyboard> keyboard;
};
