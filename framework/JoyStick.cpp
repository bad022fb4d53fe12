// JoyStick: opening a joystick, sampling its buttons and hats, and the held/pressed queries.
#include "framework/JoyStick.h"

#include <cstring>

JoyStick::~JoyStick()
{
    Close();
}

bool JoyStick::Open(int deviceIndex)
{
    if (deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks() || SDL_JoystickOpened(deviceIndex)) {
        return false;
    }
    SDL_Joystick *device = SDL_JoystickOpen(deviceIndex);
    if (device == nullptr) {
        // Stays closed, with no buttons and no hats.
        return false;
    }
    Close();
    index = deviceIndex;
    handle = device;
    Allocate(SDL_JoystickNumButtons(device), SDL_JoystickNumHats(device));
    return true;
}

bool JoyStick::Close()
{
    if (handle != nullptr && index >= 0 && SDL_JoystickOpened(index)) {
        SDL_JoystickClose(handle);
    }
    handle = nullptr;
    index = -1;
    // Arrays are released even without a device: tests size them with Allocate.
    ReleaseArrays();
    return true;
}

void JoyStick::ReleaseArrays()
{
    delete[] hats;
    delete[] prevHats;
    delete[] buttons;
    delete[] prevButtons;
    hats = prevHats = buttons = prevButtons = nullptr;
    numHats = -1;
    numButtons = -1;
}

void JoyStick::Allocate(int buttonCount, int hatCount)
{
    ReleaseArrays();
    numButtons = buttonCount > 0 ? buttonCount : 0;
    numHats = hatCount > 0 ? hatCount : 0;
    buttons = new Uint8[numButtons + 1]();
    prevButtons = new Uint8[numButtons + 1]();
    hats = new Uint8[numHats + 1]();
    prevHats = new Uint8[numHats + 1]();
}

void JoyStick::Sample(const Uint8 *buttonValues, const Uint8 *hatValues)
{
    if (buttons == nullptr || hats == nullptr) {
        return;
    }
    std::memcpy(prevButtons, buttons, numButtons);
    std::memcpy(prevHats, hats, numHats);
    for (int b = 0; b < numButtons; ++b) {
        buttons[b] = buttonValues[b] != 0 ? 1 : 0;
    }
    for (int h = 0; h < numHats; ++h) {
        hats[h] = hatValues[h];
    }
}

void JoyStick::Idle()
{
    if (index < 0 || handle == nullptr || buttons == nullptr) {
        return;
    }
    std::memcpy(prevButtons, buttons, numButtons);
    std::memcpy(prevHats, hats, numHats);
    for (int b = 0; b < numButtons; ++b) {
        buttons[b] = SDL_JoystickGetButton(handle, b) != 0 ? 1 : 0;
    }
    for (int h = 0; h < numHats; ++h) {
        hats[h] = SDL_JoystickGetHat(handle, h);
    }
}

bool JoyStick::ButtonDown(int button)
{
    return button >= 0 && button < numButtons && buttons[button] == 1;
}

bool JoyStick::ButtonPress(int button)
{
    return button >= 0 && button < numButtons && buttons[button] == 1 && prevButtons[button] == 0;
}

bool JoyStick::HatDown(int hat, int direction)
{
    return hat >= 0 && hat < numHats && (hats[hat] & direction) == direction;
}

bool JoyStick::HatPress(int hat, int direction)
{
    return hat >= 0 && hat < numHats && (hats[hat] & direction) == direction &&
           (prevHats[hat] & direction) != direction;
}
