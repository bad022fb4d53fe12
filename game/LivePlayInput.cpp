// LivePlayInput: the play scene's input from the keyboard, joysticks and a MIDI keyboard.
#include "game/LivePlayInput.h"

#include <SDL.h>

#include "devices/MidiKeyboard.h"
#include "framework/SceneManager.h"
#include "game/OffsetTrim.h"
#include "game/PracticeSession.h"

LivePlayInput::LivePlayInput(SceneManager *manager, const KeyAssign *bindings, int count,
                             const KeyAssign &pause, int midiDevice)
    : manager(manager), laneCount(count < 1 ? 1 : count), pauseKey(pause)
{
    for (int i = 0; i < MAX_LANES; i++)
        lanes[i] = bindings[i];
    if (midiDevice >= 0)
        keyboard.reset(new MidiKeyboard(midiDevice));
}

LivePlayInput::~LivePlayInput() = default;

PlayTurn LivePlayInput::Read(uint32_t)
{
    PlayTurn turn;
    for (int i = 0; i < MAX_LANES; i++) {
        if (manager->AssignedKeyPress(lanes[i]))
            turn.pressedLanes |= 1u << i;
        if (manager->AssignedKeyDown(lanes[i]))
            turn.heldLanes |= 1u << i;
    }
    // The keyboard is read every turn, so that its held notes stay right during the lead-in
    // and pauses.
    if (keyboard) {
        for (int note : keyboard->Poll())
            turn.pressedLanes |= 1u << (note % laneCount);
        for (int note = 0; note < 128; note++)
            if (keyboard->IsHeld(note))
                turn.heldLanes |= 1u << (note % laneCount);
    }
    const auto set = [&turn](bool on, PlayTurn::Control control) {
        if (on)
            turn.pressed |= control;
    };
    set(manager->KeyPressed(PracticeSession::PAUSE_KEY) ||
            ((pauseKey.kind != 0 || pauseKey.code != 0) && manager->AssignedKeyPress(pauseKey)),
        PlayTurn::PAUSE);
    set(manager->KeyPressed(PracticeSession::ESCAPE_KEY), PlayTurn::ESCAPE);
    set(manager->KeyPressed(PracticeSession::LOOP_START_KEY), PlayTurn::LOOP_START);
    set(manager->KeyPressed(PracticeSession::LOOP_END_KEY), PlayTurn::LOOP_END);
    set(manager->KeyPressed(PracticeSession::LOOP_CLEAR_KEY), PlayTurn::LOOP_CLEAR);
    set(manager->IsUp(), PlayTurn::UP);
    set(manager->IsDown(), PlayTurn::DOWN);
    set(manager->KeyPressed(SDLK_MINUS) || manager->KeyPressed(SDLK_KP_MINUS) || manager->IsLeft(),
        PlayTurn::SLOWER);
    set(manager->KeyPressed(SDLK_EQUALS) || manager->KeyPressed(SDLK_PLUS) ||
            manager->KeyPressed(SDLK_KP_PLUS) || manager->IsRight(),
        PlayTurn::FASTER);
    set(manager->KeyPressed(SDLK_w), PlayTurn::WAIT);
    set(manager->KeyPressed(SDLK_RETURN) || manager->IsOk(), PlayTurn::OK);
    set(manager->KeyPressed(OffsetTrim::EARLIER_KEY), PlayTurn::EARLIER);
    set(manager->KeyPressed(OffsetTrim::LATER_KEY), PlayTurn::LATER);
    if (manager->KeyDown(OffsetTrim::EARLIER_KEY))
        turn.held |= PlayTurn::EARLIER;
    if (manager->KeyDown(OffsetTrim::LATER_KEY))
        turn.held |= PlayTurn::LATER;
    return turn;
}
