// ReplayCheck: plays a recorded game again through the real play scene, headless and fast.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/Replay.h"

class SceneManager;
struct SongFolder;

// The song of a replay is found by its listed name and must be the very file recorded (size and
// hash); the play scene then runs with the replay's input, one turn every millisecond of the
// recorded clock (two turns where two were recorded in one millisecond), as fast as it goes.
class ReplayCheck
{
public:
    // What players read when the song's bytes are not the recorded ones.
    static constexpr const char *CHANGED_SONG =
        "the song has changed since this replay was recorded";
    // Turns played past the recorded end before giving up (ms): the song's end and the
    // result's delay may come a little later than in a game whose turns were far apart.
    static constexpr unsigned int SLACK = 10000;

    // The file of the song listed as 'name' in 'folders' (the first that has it); empty when
    // none has. A name recorded where the folder it lies in had no label ("Twinkle.mid", the
    // game played from its own folder) is also looked for in the labelled folders, and one
    // recorded with a label ("Keyrise/Twinkle.mid", the game installed) in the unlabelled
    // ones, after every folder that lists it as recorded.
    static std::string FindSong(const std::vector<SongFolder> &folders, const std::string &name);
    // The latest clock (ms) at which a game of 'replay' can reach its result on a song whose
    // last event comes 'songLength' ms after its start. The game stands still or goes back
    // only while paused, while waiting in wait mode or in a repeated section, each begun and
    // ended by a turn: from the first turn that can begin one (from the start in wait mode) up
    // to the last turn it may have stood, and from then on it runs the song's length at the
    // slowest tempo at most, with the lead-in, a count-in, the latency, the offsets and the
    // delay before the result.
    static uint64_t LongestGame(const Replay &replay, int songLength);
    // Ends the check in progress at its next millisecond (safe in a signal handler): Play then
    // returns false with STOPPED.
    static void Stop();
    static constexpr const char *STOPPED = "the check was stopped";
    // True when the file at 'songPath' is the recorded song; else false with 'reason'.
    static bool SameSong(const Replay &replay, const std::string &songPath, std::string &reason);
    // Plays 'replay' with the song at 'songPath' on 'manager' (set up with a window and a clock
    // source that reads what 'setClock' sets), without the song being checked. True with
    // 'result' when the game reached a result; false with 'reason' otherwise.
    static bool Play(SceneManager &manager, const std::function<void(unsigned int)> &setClock,
                     const std::shared_ptr<const Replay> &replay, const std::string &songPath,
                     ReplayResult &result, std::string &reason);
};
