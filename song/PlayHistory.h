// PlayHistory: the history file of one song: one line per game that reached its result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A text file beside the song's score file ("<song>.history" for "<song>.score"), described in
// docs/player-files.md. The reader takes what it can: a line it cannot read is skipped, a file
// past MAX_READ_BYTES is read from its version line and its last MAX_READ_BYTES bytes, and
// nothing in the file can make it fail other than a file that is not a regular readable one or
// one written by a newer version. Appending rewrites the whole file atomically (AtomicFile),
// keeping the newest MAX_ENTRIES games: a crash during the write leaves the old file whole.
class PlayHistory
{
public:
    static constexpr int VERSION = 1;                ///< the version line this game writes
    static constexpr size_t MAX_ENTRIES = 1000;      ///< games kept; older ones are dropped
    static constexpr size_t MAX_LINE = 200;          ///< bytes; a longer line is skipped
    static constexpr size_t MAX_READ_BYTES = 256000; ///< bytes read at most (1,000 lines of 256)
    static constexpr int RECENT = 20;                ///< scores of the statistics' chart

    // One game.
    struct Entry
    {
        int64_t when = 0;  ///< seconds since 1970-01-01 00:00 UTC when the result came
        int part = 0;      ///< MIDI channel 0-15
        int keys = 4;      ///< number of keys 1-12
        int score = 0;     ///< 0 .. 1,000,000
        int rate = 0;      ///< 0 ("G") .. 10 ("SSS")
        int excellent = 0; ///< judgements of each kind; bad counts the misses too
        int good = 0;
        int ok = 0;
        int bad = 0;
        int maxCombo = 0;     ///< longest combo
        int meanTenths = 0;   ///< mean signed timing error, tenths of a ms (< 0: early)
        int spreadTenths = 0; ///< its standard deviation, tenths of a ms
        bool practice = false;
        bool failed = false; ///< the life meter emptied (shown as FAILED)

        bool operator==(const Entry &other) const;
    };

    // What the song selection shows of one part and number of keys.
    struct Stats
    {
        int plays = 0; ///< games of every kind
        int best = -1; ///< best score of a finished game that was not practice; -1: none
        int last = -1; ///< score of the latest game; -1: none
        std::vector<Entry> recent; ///< the latest RECENT games, oldest first
    };

    // The history file that goes with the score file 'scorePath' (its ".score" ending, when it
    // has one, becomes ".history").
    static std::string PathBeside(const std::string &scorePath);

    // Reads the games of 'path' into 'entries' (cleared first), oldest first. A missing file is
    // an empty history. False, with a short reason in *problem when not null, when the file is
    // not a regular file, cannot be read, or comes from a newer version of the game.
    static bool Read(const std::string &path, std::vector<Entry> &entries,
                     std::string *problem = nullptr);
    // Adds 'entry' as the newest game of 'path', creating the file (and a missing folder) when
    // needed. False with a reason when the file could not be read (it is then left alone, so
    // that no game in it is lost) or written.
    static bool Append(const std::string &path, const Entry &entry, std::string *problem = nullptr);

    // The statistics of 'part' with 'keys' keys.
    static Stats StatsOf(const std::vector<Entry> &entries, int part, int keys);

    // One line of the file, without its line end.
    static std::string FormatLine(const Entry &entry);
    // Reads one line; false when any field is missing, malformed or out of its range.
    static bool ParseLine(const std::string &line, Entry &entry);
    // Tenths of a ms from ms, rounded and held within the range a line may hold.
    static int ToTenths(double ms);
};
