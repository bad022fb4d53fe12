// KeyMapper: the table between key names (as stored in "config") and input bindings.
#include "framework/KeyMapper.h"

#include <cstdio>
#include <cstring>

#include "text/MessageCatalog.h"
#include "text/TextConversion.h"

namespace {

// "キーパッド" in Shift-JIS: keypad digits are named by it followed by "_<digit>".
const char keypadPrefix[] = "\x83\x4C\x81\x5B\x83\x70\x83\x62\x83\x68";

struct NamedKey
{
    const char *name;
    int key; ///< SDLKey value
};

// Keys named one by one, in registration order. Some keys appear twice on purpose: the last
// name registered for a key is the one written back to "config", and both names are read.
const NamedKey namedKeys[] = {
    {"Return", 13},     {"L_Shift", 304},  {"R_Shift", 303},   {"\x81\xA8", 275},
    {"\x81\xA9", 276},  {"\x81\xAA", 273}, {"\x81\xAB", 274},  {"L_Ctrl", 306},
    {"R_Ctrl", 305},    {"L_Alt", 308},    {"R_Alt", 307},     {"Space", 32},
    {"Tab", 9},         {":", 58},         {";", 59},          {",", 44},
    {".", 46},          {"/", 47},         {"\\", 92},         {"[", 91},
    {"]", 93},          {"@", 64},         {"^", 94},          {"+", 43},
    {"-", 45},          {"Back_Space", 8}, {"*", 42},          {"Break", 318},
    {"Caps_Lock", 301}, {"Caret", 94},     {"Clear", 12},      {"Compose", 314},
    {"Delete", 127},    {"$", 36},         {"End", 279},       {"=", 61},
    {"Esc", 27},        {"Euro", 321},     {"Exclaim", 33},    {"First", 0},
    {">", 62},          {"Hash", 35},      {"Help", 315},      {"Home", 278},
    {"Insert", 277},    {"KP/", 267},      {"KP_Return", 271}, {"KP=", 272},
    {"KP-", 269},       {"KP*", 268},      {"KP.", 266},       {"KP+", 270},
    {"Last", 323},      {"(", 40},         {"<", 60},          {"L_Meta", 310},
    {"L_Super", 311},   {"Menu", 319},     {"Mode", 313},      {"Num_Lock", 300},
    {"Page_Down", 281}, {"Page_Up", 280},  {"Pause", 19},      {"Power", 320},
    {"Print", 316},     {"?", 63},         {"'", 39},          {"QuotedBL", 34},
    {")", 41},          {"R_Meta", 309},   {"R_Super", 312},   {"Scroll_Lock", 302},
    {"SysRq", 317},     {"_", 95},         {"Undo", 322},      {"Unknown", 0},
    {"Power", 320},     {"Ampersand", 38}, {"\"", 34},         {"Back_Quote", 96},
};

struct HatName
{
    const char *format; ///< formatted with joystick and hat number
    int direction;      ///< SDL_HAT_* bits
};

const HatName hatNames[] = {
    {"Joy%d_Hat%dUP", 1},     {"Joy%d_Hat%dDown", 4},      {"Joy%d_Hat%dLeft", 8},
    {"Joy%d_Hat%dRight", 2},  {"Joy%d_Hat%dCenter", 0},    {"Joy%d_Hat%dRightUP", 3},
    {"Joy%d_Hat%dLeftUP", 9}, {"Joy%d_Hat%dRightDown", 6}, {"Joy%d_Hat%dLeftDown", 12},
};

const int joystickCount = 4;   ///< joysticks with names
const int joystickInputs = 20; ///< hats and buttons named per joystick

} // namespace

KeyMapper::KeyMapper()
{
    MappingAll();
}

void KeyMapper::Mapping(int key, const char *name)
{
    KeyAssign binding;
    binding.AssignKey(key);
    nameToKey[name] = binding;
    keyToName[binding] = name;
}

void KeyMapper::MappingButton(int joystick, int button, const char *name)
{
    KeyAssign binding;
    binding.AssignButton(joystick, button);
    nameToKey[name] = binding;
    keyToName[binding] = name;
}

void KeyMapper::MappingHat(int joystick, int hat, int direction, const char *name)
{
    KeyAssign binding;
    binding.AssignHat(joystick, hat, direction);
    nameToKey[name] = binding;
    keyToName[binding] = name;
}

void KeyMapper::MappingAll()
{
    char name[64];
    for (int key = 'a'; key <= 'z'; ++key) {
        const char letter[2] = {static_cast<char>(key - 'a' + 'A'), '\0'};
        Mapping(key, letter);
    }
    for (int key = '0'; key <= '9'; ++key) {
        const char digit[2] = {static_cast<char>(key), '\0'};
        Mapping(key, digit);
    }
    for (int digit = 0; digit <= 9; ++digit) {
        std::snprintf(name, sizeof name, "%s_%d", keypadPrefix, digit);
        Mapping(256 + digit, name); // SDLK_KP0 ..
    }
    for (int number = 1; number <= 12; ++number) {
        std::snprintf(name, sizeof name, "F%d", number);
        Mapping(281 + number, name); // SDLK_F1 = 282
    }
    for (int number = 0; number <= 95; ++number) {
        std::snprintf(name, sizeof name, "World%d", number);
        Mapping(160 + number, name); // SDLK_WORLD_0 = 160
    }
    for (const NamedKey &named : namedKeys) {
        Mapping(named.key, named.name);
    }
    for (int joystick = 0; joystick < joystickCount; ++joystick) {
        for (int input = 0; input < joystickInputs; ++input) {
            for (const HatName &hat : hatNames) {
                std::snprintf(name, sizeof name, hat.format, joystick, input);
                MappingHat(joystick, input, hat.direction, name);
            }
            std::snprintf(name, sizeof name, "joy%d_button%d", joystick, input);
            MappingButton(joystick, input, name);
        }
    }
}

KeyAssign KeyMapper::GetID(const std::string &name) const
{
    const auto found = nameToKey.find(name);
    return found != nameToKey.end() ? found->second : KeyAssign();
}

const char *KeyMapper::GetName(const KeyAssign &key) const
{
    const auto found = keyToName.find(key);
    return found != keyToName.end() ? found->second.c_str() : "";
}

std::string KeyMapper::GetShownName(const std::string &name)
{
    const size_t prefixLength = std::strlen(keypadPrefix);
    if (name.compare(0, prefixLength, keypadPrefix) != 0) {
        return ToUtf8(name);
    }
    return Tr("Keypad") + ToUtf8(name.substr(prefixLength));
}
