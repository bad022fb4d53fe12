// ReplayFileTest: the replay file read back as written, bad files refused with a reason, history.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "../config/ScratchFolder.h"
#include "game/Replay.h"
#include "game/ReplayStore.h"
#include "platform/FileLock.h"

namespace {

Replay Sample()
{
    Replay replay;
    replay.gameVersion = "0.3.0";
    replay.songName = "Keyrise/Ode to Joy.mid";
    replay.songSize = 5558;
    replay.songHash = 0xd18e203bb25d47cbull;
    replay.part = 15;
    replay.keys = 12;
    replay.tempo = 50;
    replay.waitMode = true;
    replay.offset = -300;
    replay.songOffset = 300;
    replay.latency = 35;
    replay.noFail = 2;
    replay.failResult = true;
    replay.autoPlay = false;
    PlayTurn press;
    press.pressedLanes = 0x801;
    press.heldLanes = 0xfff;
    press.pressed = PlayTurn::PAUSE | PlayTurn::LATER;
    press.held = PlayTurn::ALL_CONTROLS;
    replay.turns = {{1500, press}, {1500, PlayTurn()}, {86400000, PlayTurn()}};
    replay.end = 86400000;
    replay.result.score = 1000000;
    replay.result.rate = 10;
    replay.result.excellent = 3;
    replay.result.maxCombo = 3;
    replay.result.mean = -12.5;
    replay.result.spread = 0.1;
    replay.result.failed = true;
    return replay;
}

} // namespace

// What is written is read back exactly, with every value at the ends of its range; a file that
// is not the game's, or has any value out of its range, is refused with a reason naming it.
TEST(ReplayFile, ReadsBackWhatItWroteAndRefusesAnythingElseWithAReason)
{
    const Replay written = Sample();
    Replay read;
    std::string reason;
    ASSERT_TRUE(read.Parse(written.Text(), reason)) << reason << "\n" << written.Text();
    EXPECT_EQ(read.Text(), written.Text());
    EXPECT_EQ(read.turns.size(), 3u);
    EXPECT_EQ(read.turns[0].input.pressed, written.turns[0].input.pressed);
    EXPECT_EQ(read.songHash, written.songHash);
    EXPECT_EQ(read.result.mean, -12.5);

    // Each change of one line, and the reason's words.
    const std::string text = written.Text();
    const auto with = [&text](const std::string &from, const std::string &to) {
        std::string changed = text;
        const size_t at = changed.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return changed.replace(at, from.size(), to);
    };
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "empty"},
        {"MThd", "not a replay"},
        {with("keyrise-replay 1", "keyrise-replay 2"), "format 2"},
        {with("part 15", "part 16"), "part \"16\""},
        {with("keys 12", "keys 0"), "keys \"0\""},
        {with("tempo 50", "tempo 49"), "tempo"},
        {with("offset -300", "offset -301"), "offset"},
        {with("song-offset 300", "song-offset 3000000000000"), "song-offset"},
        {with("nofail 2", "nofail 3"), "nofail"},
        {with("song-hash d18e203bb25d47cb", "song-hash d18e203bb25d47cG"), "hash"},
        {with("song-size 5558", "song-size 0"), "song-size"},
        {with("turn 1500 801", "turn 1500 1801"), "fff"},
        {with("turn 86400000", "turn 86400001"), "turn"},
        {with("turn 1500 0 0 0 0", "turn 1499 0 0 0 0"), "time order"},
        {with("turn 1500 0 0 0 0\n", "turn 1500 0 0 0\n"), "turn"},
        {with("rank SSS", "rank SS"), "rank"},
        {with("mean -12.5", "mean -12.55"), "mean"},
        {with("spread 0.1", "spread -0.1"), "spread"},
        {with("score 1000000", "score 1000001"), "score"},
        {with("score 1000000\n", ""), "\"score\" is missing"},
        {with("part 15", "part 15\npart 15"), "twice"},
        {with("part 15", "parts 15"), "unknown key"},
        {with("part 15", "part\t15"), "control character"},
        {with("song-name Keyrise", "song-name " + std::string(Replay::MAX_LINE, 'x')),
         "longer than"},
        {with("end 86400000", "end 1499"), "after the end"},
    };
    for (const auto &row : bad) {
        reason.clear();
        EXPECT_FALSE(read.Parse(row.first, reason)) << row.second;
        EXPECT_NE(reason.find(row.second), std::string::npos) << reason << " / " << row.second;
    }

    // Too large a file is refused before it is read.
    ScratchFolder folder;
    const std::string path = folder.Path("big.replay");
    std::ofstream(path) << std::string(Replay::MAX_BYTES + 1, '\n');
    EXPECT_FALSE(read.Read(path, reason));
    EXPECT_NE(reason, "");
}

// The history holds the last 20 games: the oldest go, the newest sorts last also when two
// games end in one millisecond or the clock went back, and the player's own files stay.
TEST(ReplayFile, TheHistoryKeepsTheLastTwentyGames)
{
    ScratchFolder folder;
    const std::string history = folder.Path("replays");
    std::string reason;
    std::ofstream(folder.Path("mine.replay")) << "kept";
    const Replay replay = Sample();
    std::vector<std::string> written;
    const long long start = 1796000000000; // 2026
    for (int game = 0; game < 23; game++) {
        // Games 10 and 11 end in one millisecond; game 12 comes with a clock set back.
        const long long now =
            start + game * 60000 - (game == 11 ? 60000 : 0) - (game == 12 ? 3600000 : 0);
        written.push_back(ReplayStore::AddToHistory(history, replay, now, reason));
        ASSERT_NE(written.back(), "") << reason;
        const std::vector<std::string> kept = ReplayStore::History(history);
        EXPECT_EQ(history + "/" + kept.back(), written.back()) << game;
    }
    std::ofstream(history + "/mine.replay") << "the player's";
    ReplayStore::AddToHistory(history, replay, start + 24 * 60000, reason);
    const std::vector<std::string> kept = ReplayStore::History(history);
    ASSERT_EQ(kept.size(), 20u);
    EXPECT_EQ(history + "/" + kept.front(), written[4]);
    EXPECT_EQ(std::ifstream(history + "/mine.replay").good(), true);
    Replay back;
    EXPECT_TRUE(back.Read(history + "/" + kept.back(), reason)) << reason;
    EXPECT_EQ(ReplayStore::BestPath("data/a.mid.score", 3, 12), "data/a.mid.ins3_key12.replay");
}

// A file dated at the end of what a name can hold does not make the next game's name wrap to
// the oldest: the game just kept is never the one removed, and the oldest by name go first.
TEST(ReplayFile, TheGameJustKeptStaysWhateverNamesTheFolderHolds)
{
    ScratchFolder folder;
    const std::string history = folder.Path("replays");
    std::string reason;
    const Replay replay = Sample();
    const long long start = 1796000000000; // 2026
    for (int game = 0; game < 19; game++)
        ASSERT_NE(ReplayStore::AddToHistory(history, replay, start + game * 1000, reason), "");
    const std::string last = "99991231-235959-999.replay";
    ASSERT_TRUE(replay.Save(history + "/" + last, reason)) << reason;
    for (int game = 0; game < 3; game++) {
        const std::string kept =
            ReplayStore::AddToHistory(history, replay, start + 60000 + game, reason);
        ASSERT_NE(kept, "") << reason;
        EXPECT_TRUE(std::ifstream(kept).good()) << game << " " << kept;
        // No name sorts after the one dated 9999: the game takes its own time's.
        EXPECT_EQ(kept, history + "/" + ReplayStore::NameAt(start + 60000 + game));
        const std::vector<std::string> names = ReplayStore::History(history);
        EXPECT_EQ(names.size(), 20u);
        EXPECT_EQ(names.back(), last);
        // The three new games, each a name of its own, and the oldest ones gone.
        EXPECT_EQ(names.front(), ReplayStore::NameAt(start + (game + 1) * 1000)) << game;
    }
    EXPECT_EQ(ReplayStore::NameAt(253402300799999LL), last);
}

// The best game's file goes where the records of its song go, its folder made when missing.
// Two games of one song, part and keys ending at the same moment (two processes) leave the
// better one, every time.
TEST(ReplayFile, TheBestGameStaysWhenTwoGamesEndTogether)
{
    ScratchFolder folder;
    std::string reason;
    Replay worse = Sample(), better = Sample();
    worse.result.score = 500000;
    better.result.score = 500001;
    const std::string deep = folder.Path("scores/big/set00/a.mid.ins0_key4.replay");
    ASSERT_TRUE(ReplayStore::KeepIfBest(deep, worse, reason)) << reason;
    Replay back;
    ASSERT_TRUE(back.Read(deep, reason)) << reason;
    EXPECT_EQ(back.result.score, 500000);
    EXPECT_TRUE(ReplayStore::KeepIfBest(deep, worse, reason));
    EXPECT_TRUE(ReplayStore::KeepIfBest(deep, better, reason));
    ASSERT_TRUE(back.Read(deep, reason)) << reason;
    EXPECT_EQ(back.result.score, 500001);

    // One game holds the lock between reading the stored file (a worse game) and writing its
    // own, as keeping a best game does; the other ends meanwhile, in another process. Without
    // the lock the second would write first and the first would then put its worse game over it.
    for (int trial = 0; trial < 5; trial++) {
        const std::string path = folder.Path("race" + std::to_string(trial) + ".replay");
        Replay old = worse;
        old.result.score = 1;
        ASSERT_TRUE(old.Save(path, reason));
        pid_t child = -1;
        {
            const FileLock lock(path);
            ASSERT_TRUE(lock.IsHeld());
            child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                std::string why;
                _exit(ReplayStore::KeepIfBest(path, better, why) ? 0 : 1);
            }
            // Until the other game is done, or long enough for it to have been.
            int status = 0;
            for (int ms = 0; ms < 300 && waitpid(child, &status, WNOHANG) == 0; ms++)
                usleep(1000);
            ASSERT_TRUE(worse.Save(path, reason)) << reason;
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(back.Read(path, reason)) << reason;
        EXPECT_EQ(back.result.score, 500001) << "trial " << trial;
    }
}

// Any name a file system allows reads back, newlines and tabs included; a name without such
// bytes is the plain line files always had (a backslash in it stays a backslash); a name
// leading out of the song folders is refused.
TEST(ReplayFile, EverySongNameReadsBackAndNoneLeadsOutOfTheSongFolders)
{
    Replay replay = Sample(), back;
    std::string reason;
    const std::vector<std::string> names = {
        "a\nb.mid",          "tab\there.mid",  "ends in cr\r",    std::string("nul\0x.mid", 9),
        "\x7f\\x0a\\\\.mid", "set/\x01\x1f\\", "..a/b..c/...mid", std::string(4096, '\n')};
    for (const std::string &name : names) {
        replay.songName = name;
        ASSERT_TRUE(back.Parse(replay.Text(), reason)) << reason;
        EXPECT_EQ(back.songName, name);
        EXPECT_EQ(back.Text(), replay.Text());
    }
    replay.songName = "Keyrise/Ode \\x0a \\\\ to Joy.mid";
    EXPECT_NE(replay.Text().find("\nsong-name Keyrise/Ode \\x0a \\\\ to Joy.mid\n"),
              std::string::npos);
    ASSERT_TRUE(back.Parse(replay.Text(), reason)) << reason;
    EXPECT_EQ(back.songName, replay.songName);

    const std::string text = Sample().Text();
    const auto named = [&text](const std::string &line) {
        std::string changed = text;
        const size_t at = changed.find("song-name ");
        return changed.replace(at, changed.find('\n', at) - at, line);
    };
    ASSERT_TRUE(back.Parse(named("song-name-escaped a\\x0ab\\\\"), reason)) << reason;
    EXPECT_EQ(back.songName, "a\nb\\");
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"song-name-escaped a\\x0", "neither"},
        {"song-name-escaped a\\X0a", "neither"},
        {"song-name-escaped a\\q", "neither"},
        {"song-name-escaped a\\", "neither"},
        {"song-name-escaped " + std::string(4097, 'x'), "longer than 4096"},
        {"song-name-escaped a\nsong-name a", "twice"},
        {"song-name ../../../../etc/passwd", "out of the song folders"},
        {"song-name-escaped a/..", "out of the song folders"},
        {"song-name a/../../b.mid", "out of the song folders"},
        {"song-name /etc/passwd", "out of the song folders"},
    };
    for (const auto &row : bad) {
        reason.clear();
        EXPECT_FALSE(back.Parse(named(row.first), reason)) << row.first;
        EXPECT_NE(reason.find(row.second), std::string::npos) << reason << " / " << row.first;
    }
}
