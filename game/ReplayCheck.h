// ReplayCheck: plays a recorded game again through the real play scene, headless and fast.
#pragma once

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
    // none has.
    static std::string FindSong(const std::vector<SongFolder> &folders, const std::string &name);
    // True when the file at 'songPath' is the recorded song; else false with 'reason'.
    static bool SameSong(const Replay &replay, const std::string &songPath, std::string &reason);
    // Plays 'replay' with the song at 'songPath' on 'manager' (set up with a window and a clock
    // source that reads what 'setClock' sets), without the song being checked. True with
    // 'result' when the game reached a result; false with 'reason' otherwise.
    static bool Play(SceneManager &manager, const std::function<void(unsigned int)> &setClock,
                     const std::shared_ptr<const Replay> &replay, const std::string &songPath,
                     ReplayResult &result, std::string &reason);
};
