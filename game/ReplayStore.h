// ReplayStore: where replays are kept: the best beside the records, the last games in their folder.
#pragma once

#include <string>
#include <vector>

class Replay;

// The best game of a song, part and number of keys lies beside the song's score file; the
// player's last HISTORY games lie in the replays folder, named by the time they were kept
// ("20261208-101530-042.replay", UTC) so that names sort as the games were played.
class ReplayStore
{
public:
    static constexpr int HISTORY = 20; ///< games kept in the replays folder

    // The best game's file for the song whose score file is 'scorePath':
    // "<song>.mid.ins<part>_key<keys>.replay" (".score" taken off the score file's name).
    static std::string BestPath(const std::string &scorePath, int part, int keys);
    // Writes 'replay' to 'path' when its score beats the one there (or nothing readable is
    // there). False with 'reason' when it should have been written and could not be.
    static bool KeepIfBest(const std::string &path, const Replay &replay, std::string &reason);
    // Writes 'replay' as the newest game of 'folder' (made when missing) and removes the oldest
    // of the game's own names beyond HISTORY (other files stay). 'nowMs' is the wall clock (ms
    // since 1970). Returns the path written; empty with 'reason' when it could not be written.
    static std::string AddToHistory(const std::string &folder, const Replay &replay,
                                    long long nowMs, std::string &reason);
    // The history's files, oldest first.
    static std::vector<std::string> History(const std::string &folder);
    // True for a name the history gives its files.
    static bool IsHistoryName(const std::string &name);
    // The history's name for wall clock 'ms' (ms since 1970, UTC), and back.
    static std::string NameAt(long long ms);
    static long long TimeOf(const std::string &name);
};
