// ReplayCheck: plays a recorded game again through the real play scene, headless and fast.
#include "game/ReplayCheck.h"

#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/ReplayInput.h"
#include "game/ReplayRecorder.h"
#include "platform/GamePaths.h"
#include "platform/SafeFile.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"

std::string ReplayCheck::FindSong(const std::vector<SongFolder> &folders, const std::string &name)
{
    for (const SongFolder &folder : folders) {
        std::string below = name;
        if (!folder.label.empty()) {
            // Songs of a labelled folder are listed as "<label>/<name>".
            if (name.compare(0, folder.label.size() + 1, folder.label + "/") != 0)
                continue;
            below = name.substr(folder.label.size() + 1);
        }
        const std::string path = folder.path + "/" + below;
        std::string ignored;
        if (CheckRegularFile(path, MAX_SONG_FILE_BYTES, &ignored) == SafeReadResult::Read)
            return path;
    }
    return "";
}

bool ReplayCheck::SameSong(const Replay &replay, const std::string &songPath, std::string &reason)
{
    Replay found;
    if (!ReplayRecorder::IdentifySong(songPath, found, reason))
        return false;
    if (found.songSize != replay.songSize || found.songHash != replay.songHash) {
        reason = CHANGED_SONG;
        return false;
    }
    return true;
}

bool ReplayCheck::Play(SceneManager &manager, const std::function<void(unsigned int)> &setClock,
                       const std::shared_ptr<const Replay> &replay, const std::string &songPath,
                       ReplayResult &result, std::string &reason)
{
    MidiContainer song;
    song.path = songPath;
    song.name = replay->songName;
    if (!song.LoadEvents() || song.midi == nullptr) {
        reason = "the song cannot be read";
        return false;
    }
    int highScore = 0;
    int highRate = -1;
    GameSceneParameter *param = new GameSceneParameter();
    param->TakeSong(song);
    param->highScore = &highScore;
    param->highRate = &highRate;
    param->title = replay->songName;
    param->replay = replay;
    // Where a game of the song would be recorded: a game shown again never is.
    param->songPath = songPath;
    param->songName = replay->songName;
    param->scorePath = song.GetScorePath();
    GameScene *scene = new GameScene(&manager);
    manager.AddScene(scene, param);
    setClock(0);
    manager.MainIteration(); // the scene change: Init and OnShowEvent at clock 0
    const ReplayInput *input = dynamic_cast<const ReplayInput *>(scene->GetInput());
    const unsigned int last = replay->end + SLACK;
    for (unsigned int clock = 1; clock <= last; clock++) {
        setClock(clock);
        do {
            manager.MainIteration();
        } while (!scene->IsLeaving() && input && input->HasTurnAt(clock));
        if (scene->IsFailed() || scene->IsFinished()) {
            result = ReplayRecorder::ResultOf(scene->GetBadCount(), scene->GetOkCount(),
                                              scene->GetGoodCount(), scene->GetExcellentCount(),
                                              scene->GetMaxCombo(), scene->GetHitErrors(),
                                              scene->IsFailed());
            return true;
        }
        if (scene->IsLeaving()) {
            reason = "the game was left before its result";
            return false;
        }
    }
    reason = "the game did not reach its result by the recorded end";
    return false;
}
