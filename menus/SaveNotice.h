// SaveNotice: the on-screen texts for high scores and settings that could not be written.
#pragma once

#include <string>

// "High scores not saved to <path> ...": the records stay in memory and are written again when
// the song selection is left and before the program ends.
std::string ScoreSaveNotice(const std::string &path);

// "Settings not saved to <path> ...": the settings are not kept.
std::string SettingsSaveNotice(const std::string &path);
