// ReplayRecorder: records a game as it is played, and keeps it once it reached its result.
#include "game/ReplayRecorder.h"

#include <sys/time.h>

#include "config/PlaySettings.h"
#include "game/ReplayStore.h"
#include "game/ScoreScene.h"
#include "game/TimingSummary.h"
#include "platform/CommandLine.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

ReplayRecorder::ReplayRecorder(const Replay &head, const PlaySettings &settings) : replay(head)
{
    replay.turns.clear();
    replay.gameVersion = CommandLine::Version();
    replay.noFail = settings.noFail;
    replay.failResult = settings.failResult;
    replay.autoPlay = settings.autoPlay;
}

bool ReplayRecorder::IdentifySong(const std::string &path, Replay &into, std::string &reason)
{
    std::string bytes;
    if (ReadRegularFile(path, MAX_SONG_FILE_BYTES, bytes, &reason) != SafeReadResult::Read) {
        if (reason.empty())
            reason = "the song file is missing";
        return false;
    }
    into.songSize = static_cast<int64_t>(bytes.size());
    into.songHash = Replay::Hash(bytes);
    return true;
}

ReplayResult ReplayRecorder::ResultOf(int bad, int ok, int good, int excellent, int maxCombo,
                                      const std::vector<int> &errors, bool failed)
{
    const int counts[ScoreScene::METERS] = {bad, ok, good, excellent, maxCombo};
    int percents[ScoreScene::METERS];
    ScoreScene::ComputePercents(counts, percents);
    ReplayResult result;
    result.score = ScoreScene::ComputeScore(percents[1], percents[2], percents[3], percents[4]);
    result.rate = ScoreScene::ComputeRate(percents[1], percents[2], percents[3]);
    result.bad = bad;
    result.ok = ok;
    result.good = good;
    result.excellent = excellent;
    result.maxCombo = maxCombo;
    const TimingSummary summary(errors);
    result.mean = summary.GetMean();
    result.spread = summary.GetSpread();
    result.failed = failed;
    return result;
}

void ReplayRecorder::Record(uint32_t time, const PlayTurn &turn)
{
    if (!turn.SameAs(last) && replay.turns.size() < Replay::MAX_TURNS && time <= Replay::MAX_TIME)
        replay.turns.push_back(ReplayTurn{time, turn});
    last = turn;
}

void ReplayRecorder::Finish(uint32_t end, const ReplayResult &result)
{
    replay.end = end;
    replay.result = result;
}

std::string ReplayRecorder::Keep(const std::string &historyFolder, const std::string &bestPath,
                                 bool record)
{
    // A game beyond what the reader takes would be a file nobody can play again.
    problem.clear();
    bestProblem.clear();
    if (replay.turns.size() >= Replay::MAX_TURNS || replay.end > Replay::MAX_TIME) {
        problem = "the game is too long for a replay";
        return "";
    }
    timeval wall{};
    gettimeofday(&wall, nullptr);
    std::string reason;
    const std::string kept = ReplayStore::AddToHistory(
        historyFolder, replay, static_cast<long long>(wall.tv_sec) * 1000 + wall.tv_usec / 1000,
        reason);
    if (kept.empty()) {
        ShowWarning(historyFolder, "this game's replay was not kept: " + reason);
        problem = historyFolder + ": " + reason;
    }
    if (record && !bestPath.empty() && !ReplayStore::KeepIfBest(bestPath, replay, reason)) {
        ShowWarning(bestPath, "the best game's replay was not kept: " + reason);
        bestProblem = bestPath + ": " + reason;
    }
    return kept;
}
