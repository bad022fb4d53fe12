// ReplayCheck: plays a recorded game again through the real play scene, headless and fast.
#include "game/ReplayCheck.h"

#include <csignal>

#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/PracticeClock.h"
#include "game/PracticeSession.h"
#include "game/ReplayInput.h"
#include "game/ReplayRecorder.h"
#include "platform/GamePaths.h"
#include "platform/SafeFile.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"

namespace {

// Set by Stop(), from a signal handler.
volatile std::sig_atomic_t stopped = 0;

bool IsSong(const std::string &path)
{
    std::string ignored;
    return CheckRegularFile(path, MAX_SONG_FILE_BYTES, &ignored) == SafeReadResult::Read;
}

} // namespace

std::string ReplayCheck::FindSong(const std::vector<SongFolder> &folders, const std::string &name)
{
    // Songs of a labelled folder are listed as "<label>/<name>", those of others by the name.
    for (const SongFolder &folder : folders) {
        std::string below = name;
        if (!folder.label.empty()) {
            if (name.compare(0, folder.label.size() + 1, folder.label + "/") != 0)
                continue;
            below = name.substr(folder.label.size() + 1);
        }
        if (IsSong(folder.path + "/" + below))
            return folder.path + "/" + below;
    }
    // The game's own songs lie in an unlabelled folder when it is played from its folder and in
    // a labelled one when it is installed: a replay made one way finds them the other way.
    const size_t slash = name.find('/');
    for (const SongFolder &folder : folders) {
        const std::string path =
            folder.label.empty()
                ? (slash == std::string::npos ? "" : folder.path + "/" + name.substr(slash + 1))
                : folder.path + "/" + name;
        if (!path.empty() && IsSong(path))
            return path;
    }
    return "";
}

uint64_t ReplayCheck::LongestGame(const Replay &replay, int songLength)
{
    const uint32_t standing = PlayTurn::PAUSE | PlayTurn::LOOP_START | PlayTurn::LOOP_END;
    bool mayStand = replay.waitMode;
    uint32_t stood = 0;
    for (const ReplayTurn &turn : replay.turns) {
        mayStand = mayStand || (turn.input.pressed & standing) != 0;
        if (mayStand)
            stood = turn.time;
    }
    // The song at 50 % takes twice its length; the offsets move it by 300 ms each at most.
    const uint64_t song =
        static_cast<uint64_t>(std::max(songLength, 0)) * 100 / PracticeClock::MIN_TEMPO;
    const GameSceneParameter defaults;
    return stood + GameScene::LEAD_IN + PracticeSession::COUNT_IN +
           static_cast<uint64_t>(replay.latency) + 2 * 300 + song +
           static_cast<uint64_t>(std::max(defaults.delay, GameScene::FAILED_NOTICE));
}

void ReplayCheck::Stop()
{
    stopped = 1;
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
    const int songLength = song.positions.empty() ? 0 : song.positions.back().time;
    const uint64_t longest = LongestGame(*replay, songLength);
    if (replay->end > longest) {
        reason = "the recorded end (" + std::to_string(replay->end) +
                 " ms) is later than a game of this song can last with these turns (" +
                 std::to_string(longest) + " ms)";
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
        if (stopped) {
            reason = STOPPED;
            return false;
        }
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
