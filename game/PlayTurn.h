// PlayTurn: what the player did in one turn of the play scene: lanes pressed and held, controls.
#pragma once

#include <cstdint>

// One turn's input as the play scene judges it, whichever device it came from (keyboard,
// joystick, MIDI keyboard) and whether it is live or replayed. Lanes and controls are bit sets:
// bit i is lane i (0-11) or the control with value 1 << i.
struct PlayTurn
{
    // The keys the play scene and its practice session act on.
    enum Control : uint32_t
    {
        PAUSE = 1u << 0,      ///< P or the "pause" binding
        ESCAPE = 1u << 1,     ///< Escape: leave
        LOOP_START = 1u << 2, ///< F5
        LOOP_END = 1u << 3,   ///< F6
        LOOP_CLEAR = 1u << 4, ///< F7
        UP = 1u << 5,         ///< the pause menu's choice up
        DOWN = 1u << 6,       ///< and down
        SLOWER = 1u << 7,     ///< tempo down while paused (-, left)
        FASTER = 1u << 8,     ///< tempo up while paused (+, right)
        WAIT = 1u << 9,       ///< W: wait mode on or off while paused
        OK = 1u << 10,        ///< Return or ok: the pause menu's choice
        EARLIER = 1u << 11,   ///< [: the song's offset down while paused
        LATER = 1u << 12,     ///< ]: up
    };
    static constexpr uint32_t ALL_LANES = (1u << 12) - 1;
    static constexpr uint32_t ALL_CONTROLS = (1u << 13) - 1;

    uint32_t pressedLanes = 0; ///< lanes pressed in this turn
    uint32_t heldLanes = 0;    ///< lanes held down at this turn
    uint32_t pressed = 0;      ///< controls pressed in this turn
    uint32_t held = 0;         ///< controls held down at this turn

    bool LanePressed(int lane) const { return (pressedLanes >> lane) & 1u; }
    bool LaneHeld(int lane) const { return (heldLanes >> lane) & 1u; }
    bool Pressed(Control control) const { return (pressed & control) != 0; }
    bool Held(Control control) const { return (held & control) != 0; }
    // True when nothing is pressed in this turn and the same is held as in 'before': a turn a
    // recording can leave out.
    bool SameAs(const PlayTurn &before) const
    {
        return pressedLanes == 0 && pressed == 0 && heldLanes == before.heldLanes &&
               held == before.held;
    }
};
