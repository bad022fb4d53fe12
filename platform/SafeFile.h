// SafeFile: reading a whole file that may be hostile: never blocks, regular files only, size cap.
#pragma once

#include <cstddef>
#include <string>

// Largest song file the game reads (bytes): far above any real song, far below what would
// exhaust memory.
const size_t MAX_SONG_FILE_BYTES = 64u << 20;
// Largest settings or score file the game reads (bytes). Saves never write a larger one, so
// the game always reads back what it wrote.
const size_t MAX_SETTINGS_FILE_BYTES = 1u << 20;
// Largest song index the game reads or writes (bytes): room for about 50,000 songs of the
// usual line of 300 bytes.
const size_t MAX_INDEX_FILE_BYTES = 16u << 20;

// How reading a file went.
enum class SafeReadResult
{
    Read,       ///< the whole file is in 'bytes'
    Missing,    ///< no such file
    Unreadable, ///< it cannot be opened or read (permissions, an I/O error): see 'reason'
    Refused,    ///< not a regular file, or larger than the cap: see 'reason'
};

// Reads the file at 'path' into 'bytes' (cleared first). The open never waits (a FIFO or a
// device is opened without blocking and then refused), only a regular file is read, and a
// file larger than 'maxBytes', or one that grows past it while it is read, is refused. On
// Unreadable and Refused, 'reason' (when not null) holds a short text for a warning.
SafeReadResult ReadRegularFile(const std::string &path, size_t maxBytes, std::string &bytes,
                               std::string *reason = nullptr);

// What ReadRegularFile would say of the file at 'path', without reading it: Read when it is a
// regular file of at most 'maxBytes' that this process may read. A save asks this before it
// replaces a file, so that a file the player cannot read is never saved over.
SafeReadResult CheckRegularFile(const std::string &path, size_t maxBytes,
                                std::string *reason = nullptr);

// Shows the warning for a refused file, once per file and reason for the whole run: settings
// and score files are read again by every screen, and one notice is enough.
void WarnRefusedFileOnce(const std::string &path, const std::string &reason);
