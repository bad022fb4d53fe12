// KeyAssign: one input binding (keyboard key, joystick button or joystick hat direction).
#pragma once

// An ordered value type; the default binding is keyboard key 0, which is never held.
class KeyAssign
{
public:
    int kind = 0;      ///< 0 keyboard key, 1 joystick input
    int joystick = -1; ///< joystick number (SDL device index); -1 for a keyboard key
    int joyInput = 0;  ///< joystick input: 1 button, 0 hat direction; 0 for a keyboard key
    int hat = -1;      ///< hat number for a hat direction; -1 otherwise
    int code = 0;      ///< SDLKey value, button number, or hat direction bits (SDL_HAT_*)

    KeyAssign() = default;
    virtual ~KeyAssign() = default;
    KeyAssign(const KeyAssign &) = default;
    KeyAssign &operator=(const KeyAssign &) = default;

    void AssignKey(int key);
    void AssignButton(int joystick, int button);
    void AssignHat(int joystick, int hat, int direction);

    // Lexicographic on (kind, code, joystick, joyInput, hat).
    bool operator<(const KeyAssign &other) const;
    bool operator>(const KeyAssign &other) const { return other < *this; }
    bool operator==(const KeyAssign &other) const;
    bool operator!=(const KeyAssign &other) const { return !(*this == other); }
};
