// KeyMapper: the table between key names (as stored in "config") and input bindings.
#pragma once

#include "framework/KeyAssign.h"

#include <map>
#include <string>

// Translates between key names and KeyAssign bindings in both directions. The constructor
// builds the whole table (1,033 names: letters, digits, keypad digits, F1-F12, the 96
// international keys, the named keys, and the hats and buttons of four joysticks); build one
// while a scene is constructed or initialised, never per frame.
// Names are byte strings compared exactly (case matters); the keypad digits and the four
// arrow keys are named in Shift-JIS bytes, as "config" files hold them.
class KeyMapper
{
public:
    std::map<std::string, KeyAssign> nameToKey; ///< name -> binding, ordered bytewise
    std::map<KeyAssign, std::string> keyToName; ///< binding -> name, by KeyAssign::operator<

    // Builds the full table with MappingAll().
    KeyMapper();
    virtual ~KeyMapper() = default;

    // Registers a name for keyboard key 'key' (an SDLKey value). A later registration of the
    // same name or the same binding replaces the earlier one in that direction.
    void Mapping(int key, const char *name);
    // Registers a name for button 'button' of joystick 'joystick'.
    void MappingButton(int joystick, int button, const char *name);
    // Registers a name for the direction bits 'direction' (SDL_HAT_*) of hat 'hat'.
    void MappingHat(int joystick, int hat, int direction, const char *name);
    // Registers the whole table. The order decides which name a binding with several names
    // gets back: key 94 is "Caret" (also read: "^"), key 0 "Unknown" (also read: "First"),
    // key 34 the double quote (also read: "QuotedBL").
    void MappingAll();

    // The binding registered under 'name', or the default binding (keyboard key 0, never
    // held) for an unknown name.
    KeyAssign GetID(const std::string &name) const;
    // The name of 'key', or "" for a binding without a name. Valid while this mapper lives.
    const char *GetName(const KeyAssign &key) const;

    // How a key name (as stored, ASCII or Shift-JIS) is shown to the player, in UTF-8 so that
    // it can stand in a translated sentence: the keypad's Japanese prefix in the language in
    // use ("Keypad_7"), the arrows as the characters they are.
    static std::string GetShownName(const std::string &name);
};
