// KeyAssign: one input binding (keyboard key, joystick button or joystick hat direction).
#include "framework/KeyAssign.h"

#include <tuple>

void KeyAssign::AssignKey(int key)
{
    kind = 0;
    code = key;
    joystick = -1;
    hat = -1;
    joyInput = 0;
}

void KeyAssign::AssignButton(int joystick, int button)
{
    kind = 1;
    joyInput = 1;
    this->joystick = joystick;
    code = button;
    hat = -1;
}

void KeyAssign::AssignHat(int joystick, int hat, int direction)
{
    kind = 1;
    joyInput = 0;
    this->joystick = joystick;
    this->hat = hat;
    code = direction;
}

bool KeyAssign::operator<(const KeyAssign &other) const
{
    return std::tie(kind, code, joystick, joyInput, hat) <
           std::tie(other.kind, other.code, other.joystick, other.joyInput, other.hat);
}

bool KeyAssign::operator==(const KeyAssign &other) const
{
    return kind == other.kind && code == other.code && joystick == other.joystick &&
           joyInput == other.joyInput && hat == other.hat;
}
