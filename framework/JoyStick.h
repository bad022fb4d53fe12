// JoyStick: one joystick device with the current and previous samples of its buttons and hats.
#pragma once

#include <SDL.h>

// Input is read by polling: Idle() takes one sample per main-loop iteration and keeps the one
// before it, so a query can tell "held" from "went down since the previous sample".
class JoyStick
{
public:
    int index = -1;                 ///< SDL device index; -1 while not opened
    SDL_Joystick *handle = nullptr; ///< the opened device; null when closed
    Uint8 *hats = nullptr;          ///< current hat positions (SDL_HAT_* bits), numHats entries
    Uint8 *prevHats = nullptr;      ///< hat positions of the previous sample
    int numHats = -1;
    Uint8 *buttons = nullptr;     ///< current buttons, 1 held, 0 released, numButtons entries
    Uint8 *prevButtons = nullptr; ///< buttons of the previous sample
    int numButtons = -1;

    JoyStick() = default;
    // Closes the device and releases the sample arrays.
    virtual ~JoyStick();

    JoyStick(const JoyStick &) = delete;
    JoyStick &operator=(const JoyStick &) = delete;

    // Opens the device at that SDL index; false when there is no such device or it is open
    // already (or SDL cannot open it). The samples start all released.
    bool Open(int deviceIndex);
    // Closes the device and returns every field to its initial value. Always true.
    bool Close();
    // Takes one sample from the device: the current arrays become the previous ones. Does
    // nothing while not opened.
    void Idle();

    // Sizes the sample arrays without a device (all released); used by Open and by tests that
    // feed samples through Sample().
    void Allocate(int buttonCount, int hatCount);
    // Stores one sample: the current arrays move to the previous ones, then the given values
    // (numButtons and numHats entries; a button is held when non-zero) become current.
    void Sample(const Uint8 *buttonValues, const Uint8 *hatValues);

    // Button b is held.
    bool ButtonDown(int button);
    // Button b is held now and was released in the previous sample.
    bool ButtonPress(int button);
    // Every bit of direction is set in hat h (direction 0: always true for an existing hat).
    bool HatDown(int hat, int direction);
    // Every bit of direction is set in hat h now, and not every bit was in the previous sample.
    bool HatPress(int hat, int direction);

private:
    void ReleaseArrays();
};
