// DirectorySearch: lists the song files of a folder.
#pragma once

#include <string>
#include <vector>

// Names (without the folder) of the regular files in 'folder' whose names end in ".mid" in
// any letter case ("a.MID", "b.Mid"), a symbolic link counting as the file it points to.
// Sorted by name in byte order, so the song list is the same on every run. A missing or
// unreadable folder gives an empty list.
std::vector<std::string> FindMidiFiles(const std::string &folder);
