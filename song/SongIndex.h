// SongIndex: the summaries of the song folder kept in one file between runs.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/DirectorySearch.h"
#include "song/SongSummary.h"

// Holds one summary per song file name. The file is plain text: a first line naming the
// format, then one line per song with tab-separated fields (tabs, line ends and backslashes
// in names escaped). A file that does not start with that line is not an index and is
// ignored whole; a line that does not parse, or holds a value out of range, is dropped, so a
// damaged index costs a new reading of the songs it spoiled and never a wrong card.
class SongIndex
{
public:
    // Replaces the entries with those of the file, read through the safe reader (never
    // blocks, regular files only, at most MAX_INDEX_FILE_BYTES). False (and no entries) when
    // the file is missing or not an index; a file that is there but refused or unreadable
    // gives one warning, and every song is read again.
    bool Load(const std::string &path);
    // Writes the entries, crash-safe, in name order, within MAX_INDEX_FILE_BYTES: entries
    // past it are left out (their songs are read again at the next start). A file the player
    // may not read is not saved over; one the reader refused (a FIFO, a file past the cap) is
    // rebuilt; a link to anything but a regular file is not written through. False when the
    // file was not written, with the reason (naming the file) in 'problem' when not null.
    bool Save(const std::string &path, std::string *problem = nullptr) const;

    // The summary of each found file: the entry of that name when its size and modification
    // time are unchanged (indexed), otherwise a summary waiting to be read (not indexed, only
    // name, size and time set; lastPlayed kept).
    std::vector<SongSummary> Match(const std::vector<FoundSongFile> &files) const;

    // Adds or replaces the entry of summary.name (only indexed summaries are kept).
    void Put(const SongSummary &summary);
    void Clear() { entries.clear(); }
    size_t Size() const { return entries.size(); }

    // One line of the file, without its line end, and back. Parse is false for a line that is
    // not a well-formed entry.
    static std::string Format(const SongSummary &summary);
    static bool Parse(const std::string &line, SongSummary &summary);

private:
    std::unordered_map<std::string, SongSummary> entries;
};
