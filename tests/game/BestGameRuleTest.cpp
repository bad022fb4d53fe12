// Tests of which game stays the best of a song, part and number of keys beside its records.
#include <gtest/gtest.h>

#include <string>

#include "../config/ScratchFolder.h"
#include "game/Replay.h"
#include "game/ReplayStore.h"

namespace {

// A game told apart from the others by its end (ms), with the given score.
Replay Game(int score, uint32_t end)
{
    Replay replay;
    replay.gameVersion = "0.3.0";
    replay.songName = "Keyrise/Twinkle.mid";
    replay.songSize = 1234;
    replay.end = end;
    replay.result.score = score;
    return replay;
}

// The end of the game stored at 'path'; 0 when none can be read.
uint32_t StoredEnd(const std::string &path)
{
    Replay stored;
    std::string reason;
    return stored.Read(path, reason) ? stored.end : 0;
}

} // namespace

// The best game is replaced only by a game that beats its score: a worse game and a game of the
// same score leave the older one; a file that is no replay is replaced by any game.
TEST(BestGameRule, OnlyAHigherScoreReplacesTheBestAndOnATieTheOlderGameStays)
{
    ScratchFolder scratch;
    const std::string path = scratch.Path("song.mid.ins0_key4.replay");
    std::string reason;
    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(500000, 1000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 1000u) << "the first game is the best";

    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(499999, 2000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 1000u) << "a worse game";
    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(500000, 3000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 1000u) << "a tie: the older game stays";
    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(500001, 4000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 4000u) << "one point more";
    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(0, 5000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 4000u) << "a game of no points";

    scratch.Write("song.mid.ins0_key4.replay", "keyrise-replay 1\nscore 900000\n");
    ASSERT_TRUE(ReplayStore::KeepIfBest(path, Game(0, 6000), reason)) << reason;
    EXPECT_EQ(StoredEnd(path), 6000u) << "a damaged best is no best";
}
