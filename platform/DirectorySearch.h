// DirectorySearch: lists the song files of a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Names (without the folder) of the regular files in 'folder' whose names end in ".mid" in
// any letter case ("a.MID", "b.Mid"), a symbolic link counting as the file it points to.
// Sorted by name in byte order, so the song list is the same on every run. A missing or
// unreadable folder gives an empty list.
std::vector<std::string> FindMidiFiles(const std::string &folder);

// A song file found below a folder, with what tells whether it changed since it was read.
struct FoundSongFile
{
    std::string name;     ///< path below the folder, sub-folders joined with '/' ("rock/a.mid")
    int64_t size = 0;     ///< bytes
    int64_t modified = 0; ///< modification time, ns since 1970
};

// The song files of 'folder' and of its sub-folders (as FindMidiFiles decides, at most
// 'depth' folders deep; names starting with '.' are skipped, so are folder links that lead
// back up), sorted by their path in byte order.
std::vector<FoundSongFile> FindMidiFilesBelow(const std::string &folder, int depth = 8);

// Why no song can be listed from 'folder': "" when it is a folder this process may read, else
// a short reason (marked for translation where it is one of the usual ones: missing, not a
// folder, no permission). Never opens anything but a folder, so a FIFO does not block.
std::string SongFolderProblem(const std::string &folder);

// Size and modification time of one file; false when it is not a readable regular file.
bool StatSongFile(const std::string &path, int64_t &size, int64_t &modified);
