// InputState: the keyboard state before and after each event poll, the joysticks, the menu keys.
#include "framework/InputState.h"

#include <cstring>
#include <iterator>

#include "framework/JoyStick.h"

namespace {
// The fixed key of each logical key, in the order of InputState::Logical.
const int FIXED_KEYS[InputState::LOGICAL_KEYS] = {SDLK_LEFT, SDLK_RIGHT,  SDLK_UP,
                                                  SDLK_DOWN, SDLK_RETURN, SDLK_ESCAPE};
} // namespace

InputState::~InputState()
{
    Release();
}

void InputState::Prepare()
{
    int count = 0;
    keyState = SDL_GetKeyState(&count);
    keyCount = count > 0 ? count : 0;
    delete[] prevKeyState;
    prevKeyState = new Uint8[keyCount + 1]();
    delete[] tapped;
    tapped = new Uint8[keyCount + 1]();
    if (keyState != nullptr) {
        std::memcpy(prevKeyState, keyState, keyCount);
    }
}

void InputState::CopyKeyState()
{
    if (keyState != nullptr && prevKeyState != nullptr) {
        std::memcpy(prevKeyState, keyState, keyCount);
        std::memset(tapped, 0, keyCount);
    }
}

void InputState::NoteEvent(const SDL_Event &event)
{
    if (event.type != SDL_KEYDOWN || tapped == nullptr) {
        return;
    }
    const int key = event.key.keysym.sym;
    // A repeat of a key held since the last poll is not a new press.
    if (key >= 0 && key < keyCount && prevKeyState[key] == 0) {
        tapped[key] = 1;
    }
}

void InputState::DropKeyCopy()
{
    delete[] prevKeyState;
    prevKeyState = nullptr;
    delete[] tapped;
    tapped = nullptr;
}

void InputState::Release()
{
    for (JoyStick *joystick : joysticks) {
        delete joystick;
    }
    joysticks.clear();
    DropKeyCopy();
}

void InputState::AddJoyStick(JoyStick *joystick)
{
    if (joystick != nullptr) {
        joysticks.push_back(joystick);
    }
}

void InputState::SampleJoySticks()
{
    for (JoyStick *joystick : joysticks) {
        joystick->Idle();
    }
}

void InputState::PushLogicalKeyEvents()
{
    for (int code = 0; code < LOGICAL_KEYS; code++) {
        if (!IsLogical(static_cast<Logical>(code))) {
            continue;
        }
        SDL_Event event;
        std::memset(&event, 0, sizeof(event));
        event.type = SDL_USEREVENT;
        event.user.code = code;
        event.user.data1 = nullptr;
        event.user.data2 = nullptr;
        SDL_PushEvent(&event);
    }
}

bool InputState::KeyDown(int key) const
{
    return keyState != nullptr && key >= 0 && key < keyCount && keyState[key] != 0;
}

bool InputState::KeyPressed(int key) const
{
    return keyState != nullptr && prevKeyState != nullptr && key >= 0 && key < keyCount &&
           ((keyState[key] != 0 && prevKeyState[key] == 0) || tapped[key] != 0);
}

bool InputState::KeyReleased(int key) const
{
    return keyState != nullptr && prevKeyState != nullptr && key >= 0 && key < keyCount &&
           keyState[key] == 0 && prevKeyState[key] != 0;
}

JoyStick *InputState::FindJoyStick(int number)
{
    if (number < 0 || number >= static_cast<int>(joysticks.size())) {
        return nullptr;
    }
    auto it = joysticks.begin();
    std::advance(it, number);
    return *it;
}

bool InputState::ButtonDown(int joystick, int button)
{
    JoyStick *device = FindJoyStick(joystick);
    return device != nullptr && device->ButtonDown(button);
}

bool InputState::ButtonPress(int joystick, int button)
{
    JoyStick *device = FindJoyStick(joystick);
    return device != nullptr && device->ButtonPress(button);
}

bool InputState::HatDown(int joystick, int hat, int direction)
{
    JoyStick *device = FindJoyStick(joystick);
    return device != nullptr && device->HatDown(hat, direction);
}

bool InputState::HatPress(int joystick, int hat, int direction)
{
    JoyStick *device = FindJoyStick(joystick);
    return device != nullptr && device->HatPress(hat, direction);
}

bool InputState::AssignedKeyDown(const KeyAssign &key)
{
    if (key.kind == 0) {
        return KeyDown(key.code);
    }
    if (key.joyInput == 1) {
        return ButtonDown(key.joystick, key.code);
    }
    return HatDown(key.joystick, key.hat, key.code);
}

bool InputState::AssignedKeyPress(const KeyAssign &key)
{
    if (key.kind == 0) {
        return KeyPressed(key.code);
    }
    if (key.joyInput == 1) {
        return ButtonPress(key.joystick, key.code);
    }
    return HatPress(key.joystick, key.hat, key.code);
}

bool InputState::IsLogical(Logical key)
{
    return AssignedKeyPress(bindings[key]) || KeyPressed(FIXED_KEYS[key]);
}

bool InputState::IsLogicalHeld(Logical key)
{
    return AssignedKeyDown(bindings[key]) || KeyDown(FIXED_KEYS[key]);
}
