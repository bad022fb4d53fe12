// SettingKeys: the keys the game itself reads from "config".
#pragma once

#include <string>

// True for a key some part of the game reads from "config" (video, play and sound settings,
// the language, lane and menu bindings). A save that would make the file too large to read
// back keeps these and leaves out the others (see ConfigReaderWriter::ownKey).
bool IsSettingKey(const std::string &key);
