// InputState: the keyboard state before and after each event poll, the joysticks, the menu keys.
#pragma once

#include <SDL.h>

#include <list>

#include "framework/KeyAssign.h"

class JoyStick;

// A key went down in the last poll when it is held in SDL's key state and was not in the copy
// taken just before the poll, or when the poll saw it go down from up (a tap whose release came
// in the same poll, as on a loaded machine, still counts; a held key's repeats do not); joysticks
// keep their own current and previous samples, taken once per Idle. The six logical menu keys
// (left, right, up, down, ok, cancel) each have a fixed key (the arrow keys, Return, Escape) and a
// configurable binding; a press of either one is turned into an SDL_USEREVENT with codes 0 to 5.
// Main thread only.
class InputState
{
public:
    InputState() = default;
    ~InputState();
    InputState(const InputState &) = delete;
    InputState &operator=(const InputState &) = delete;

    // Takes SDL's key state array and a copy of it (the main loop does this as it starts; tests
    // and tools that drive the walks themselves call it once).
    void Prepare();
    // Copies the current key state into the previous one, as the loop does before each poll, and
    // forgets the taps of the poll before.
    void CopyKeyState();
    // Called with every event of a poll: notes a key that went down while it was up before.
    void NoteEvent(const SDL_Event &event);
    // Lets go of the copy (the loop has ended).
    void DropKeyCopy();
    // Lets go of the copy and closes every joystick; SDL must still be up.
    void Release();

    // Appends a joystick (owned) to the list the queries index.
    void AddJoyStick(JoyStick *joystick);
    std::list<JoyStick *> &GetJoySticks() { return joysticks; }
    // Samples every joystick (their previous sample becomes the one before).
    void SampleJoySticks();
    // Pushes one SDL_USEREVENT (code 0-5) for each logical key pressed in the last poll.
    void PushLogicalKeyEvents();

    // SDL's key state array and the copy taken before the last poll (null before Prepare).
    Uint8 *GetKeyState() { return keyState; }
    Uint8 *GetPrevKeyState() { return prevKeyState; }

    bool KeyDown(int key) const;
    bool KeyPressed(int key) const;
    bool KeyReleased(int key) const;
    bool ButtonDown(int joystick, int button);
    bool ButtonPress(int joystick, int button);
    bool HatDown(int joystick, int hat, int direction);
    bool HatPress(int joystick, int hat, int direction);
    // A binding held / pressed in the last poll, whichever device it is on.
    bool AssignedKeyDown(const KeyAssign &key);
    bool AssignedKeyPress(const KeyAssign &key);

    // The logical menu keys: the binding or the fixed key pressed in the last poll.
    enum Logical
    {
        LEFT = 0,
        RIGHT = 1,
        UP = 2,
        DOWN = 3,
        OK = 4,
        CANCEL = 5,
        LOGICAL_KEYS = 6
    };
    bool IsLogical(Logical key);
    // The binding or the fixed key of a logical key held down now.
    bool IsLogicalHeld(Logical key);
    void SetLogical(Logical key, const KeyAssign &binding) { bindings[key] = binding; }

private:
    // The joystick with that number, or null when there is none (negative numbers included).
    JoyStick *FindJoyStick(int number);

    Uint8 *keyState = nullptr;     ///< SDL's own array, one byte per SDLKey, 1 while held
    Uint8 *prevKeyState = nullptr; ///< owned copy taken before the last poll
    Uint8 *tapped = nullptr;       ///< owned: 1 for a key the last poll saw go down from up
    int keyCount = 0;              ///< bytes in both arrays
    std::list<JoyStick *> joysticks;
    KeyAssign bindings[LOGICAL_KEYS]; ///< the configurable binding of each logical key
};
