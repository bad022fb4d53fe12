// Tests of which games the song selection's statistics take: plays, "Best", "Last" and the chart.
#include <gtest/gtest.h>

#include <vector>

#include "song/PlayHistory.h"

namespace {

PlayHistory::Entry Game(int score, int part = 0, int keys = 4, bool practice = false,
                        bool failed = false)
{
    PlayHistory::Entry game;
    game.part = part;
    game.keys = keys;
    game.score = score;
    game.practice = practice;
    game.failed = failed;
    return game;
}

std::vector<int> Scores(const std::vector<PlayHistory::Entry> &games)
{
    std::vector<int> scores;
    for (const PlayHistory::Entry &game : games)
        scores.push_back(game.score);
    return scores;
}

} // namespace

// "Best" is the best finished game that was not practice, as the high score counts; a practice
// or failed game, or one of another part or number of keys, never is, however high its score.
// "Last" is the newest game of any kind; "Plays" counts every kind.
TEST(HistoryStats, BestCountsOnlyFinishedGamesThatAreNotPracticeLastIsTheNewestOfAnyKind)
{
    const std::vector<PlayHistory::Entry> games = {
        Game(400000),
        Game(700000),
        Game(990000, 0, 4, true),        // practice
        Game(980000, 0, 4, false, true), // failed
        Game(970000, 1, 4),              // another part
        Game(960000, 0, 6),              // another number of keys
        Game(650000),
        Game(900000, 0, 4, true), // the newest: practice
    };
    const PlayHistory::Stats stats = PlayHistory::StatsOf(games, 0, 4);
    EXPECT_EQ(stats.plays, 6);
    EXPECT_EQ(stats.best, 700000);
    EXPECT_EQ(stats.last, 900000);
    EXPECT_EQ(Scores(stats.recent),
              (std::vector<int>{400000, 700000, 990000, 980000, 650000, 900000}));

    // Only practice and failed games: no best at all, though the plays and the last show.
    const PlayHistory::Stats none =
        PlayHistory::StatsOf({Game(500000, 2, 8, true), Game(300000, 2, 8, false, true)}, 2, 8);
    EXPECT_EQ(none.plays, 2);
    EXPECT_EQ(none.best, -1);
    EXPECT_EQ(none.last, 300000);
    EXPECT_EQ(PlayHistory::StatsOf(games, 5, 4).last, -1);
}

// The chart shows the newest 20 games of the part, oldest first: of 23, the 3 oldest are gone,
// whatever games of other parts lie between them.
TEST(HistoryStats, TheChartShowsTheNewestTwentyGamesInOrder)
{
    std::vector<PlayHistory::Entry> games;
    std::vector<int> expected;
    for (int i = 1; i <= 23; i++) {
        games.push_back(Game(1000 * i));
        games.push_back(Game(5, 3, 4)); // another part between every two
        if (i > 3)
            expected.push_back(1000 * i);
    }
    const PlayHistory::Stats stats = PlayHistory::StatsOf(games, 0, 4);
    EXPECT_EQ(stats.plays, 23);
    EXPECT_EQ(Scores(stats.recent), expected);
    EXPECT_EQ(stats.best, 23000);
    EXPECT_EQ(stats.last, 23000);

    // Exactly 20: all stay.
    games.resize(40);
    EXPECT_EQ(PlayHistory::StatsOf(games, 0, 4).recent.front().score, 1000);
}
