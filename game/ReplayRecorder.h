// ReplayRecorder: records a game as it is played, and keeps it once it reached its result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/PlayTurn.h"
#include "game/Replay.h"

struct PlaySettings;

// Takes every turn of the play scene (ms since the scene was shown) and writes down those that
// pressed something or changed what is held; at the result, the game goes to the history folder
// and, when it beats the stored one, becomes the best game of its song, part and keys.
class ReplayRecorder
{
public:
    // 'head' holds what decides the result (song, part, keys, tempo, offsets, latency); the
    // game's version and the judging settings are taken here, the turns and the result added.
    ReplayRecorder(const Replay &head, const PlaySettings &settings);
    // Fills the song's size and hash from its file; false with 'reason' when it cannot be read.
    static bool IdentifySong(const std::string &path, Replay &replay, std::string &reason);
    // The result screen's figures for the given counts and signed timing errors (ms).
    static ReplayResult ResultOf(int bad, int ok, int good, int excellent, int maxCombo,
                                 const std::vector<int> &errors, bool failed);
    void Record(uint32_t time, const PlayTurn &turn);
    // The game reached 'result' at clock 'end'.
    void Finish(uint32_t end, const ReplayResult &result);
    const Replay &GetReplay() const { return replay; }
    // Writes the finished game into 'historyFolder' and, when 'record' (a game that stores
    // records), as the best game at 'bestPath' if it beats the one there. Problems are shown as
    // warnings and kept for GetProblem and GetBestProblem; the history file written (empty:
    // none) is returned.
    std::string Keep(const std::string &historyFolder, const std::string &bestPath, bool record);
    // Why the last Keep did not keep the game among the last games ("<folder>: <reason>"), or
    // why none could be kept at all; empty if it was.
    const std::string &GetProblem() const { return problem; }
    // Why the last Keep did not keep the game as the best ("<file>: <reason>"); empty if it
    // was, or did not have to be.
    const std::string &GetBestProblem() const { return bestProblem; }

private:
    Replay replay;
    PlayTurn last; ///< the last turn given, written down or not
    std::string problem;
    std::string bestProblem;
};
