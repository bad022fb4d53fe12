// SaveNotice: the on-screen texts for high scores and settings that could not be read or written.
#pragma once

#include <string>
#include <utility>
#include <vector>

// "High scores not saved to <path> ...": the records stay in memory and are written again when
// the song selection is left and before the program ends.
std::string ScoreSaveNotice(const std::string &path);

// "Settings not saved to <path> ...": the settings are not kept. When the save left the file
// alone because it could not be read ('readProblem' not empty), SettingsReadNotice's text.
std::string SettingsSaveNotice(const std::string &path, const std::string &readProblem = "");

// "Cannot read high scores in <path>: <reason>": the song shows no records, and new ones are not
// saved over the file, which may still hold the old ones.
std::string ScoreReadNotice(const std::string &path, const std::string &reason);

// "Cannot read settings in <path>: <reason>; defaults in use": the options are not saved over
// the file either.
std::string SettingsReadNotice(const std::string &path, const std::string &reason);

// "Saved <path> without <n> entries the game does not use, such as <key>": a save that would have
// made the file too large to read back left out the keys in 'leftOut'. Empty when none.
std::string LeftOutNotice(const std::string &path, const std::vector<std::string> &leftOut);

// The song selection's line about the song folders: the first folder no song could be listed
// from ("Songs not listed from <folder>: <reason>", with how many more), else the song index
// that could not be saved ("Song index not saved: <reason>"), else "".
std::string SongFolderNotice(const std::vector<std::pair<std::string, std::string>> &folderProblems,
                             const std::string &indexProblem);
