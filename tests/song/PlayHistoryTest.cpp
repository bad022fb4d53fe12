// Tests of a song's history file: damaged and huge files keep their good games, and a file the
// game cannot read or does not know is never saved over.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "song/PlayHistory.h"
#include "tests/config/ScratchFolder.h"
#include "tests/support/ChildCheck.h"

namespace {

PlayHistory::Entry Game(int score, int64_t when = 1765185000)
{
    PlayHistory::Entry game;
    game.when = when;
    game.part = 2;
    game.keys = 6;
    game.score = score;
    game.rate = 5;
    game.excellent = 10;
    game.good = 4;
    game.ok = 2;
    game.bad = 1;
    game.maxCombo = 12;
    game.meanTenths = -35;
    game.spreadTenths = 121;
    return game;
}

const char kHead[] = "keyrise-history 1\n";

TEST(PlayHistory, ADamagedFileKeepsItsGoodGamesAndTheNextGameKeepsThemToo)
{
    ScratchFolder scratch;
    const std::string good1 = PlayHistory::FormatLine(Game(100));
    const std::string good2 = PlayHistory::FormatLine(Game(200));
    const std::string good3 = PlayHistory::FormatLine(Game(300));
    ASSERT_EQ(good1, "2025-12-08T09:10:00Z 2 6 100 5 B 10 4 2 1 12 -3.5 12.1 play finished");
    std::string text = kHead;
    text += good1 + "\n";
    text += std::string("\0\xff\x01 garbage", 11) + "\n";
    text += "2025-12-08T09:10:00Z 16 6 100 5 B 10 4 2 1 12 -3.5 12.1 play finished\n"; // part
    text += "2025-12-08T09:10:00Z 2 6 1000001 5 B 10 4 2 1 12 -3.5 12.1 play finished\n";
    text += "2025-12-08T09:10:00Z 2 6 100 5 A 10 4 2 1 12 -3.5 12.1 play finished\n"; // rank
    text += "2025-12-08T09:10:00Z 2 6 100 5 B 10 4 2 1 99 -3.5 12.1 play finished\n"; // combo
    text += "2025-13-08T09:10:00Z 2 6 100 5 B 10 4 2 1 12 -3.5 12.1 play finished\n"; // month
    text += "2025-12-08T09:10:00Z 2 6 100 5 B 10 4 2 1 12 -3.55 12.1 play finished\n";
    text += "2025-12-08T09:10:00Z 2 6 100 5 B 10 4 2 1 12 -3.5 -1.0 play finished\n";
    text += "2025-12-08T09:10:00Z 2 6 100 5 B 10 4 2 1 12 -3.5 12.1 play\n";
    text += "2025-12-08T09:10:00Z 2 6 99999999999999999999 5 B 10 4 2 1 12 -3.5 12.1 play x\n";
    text += good2 + std::string(300, ' ') + "\n"; // longer than a line may be
    text += good2 + "\n";
    text += good3; // cut short: no line end
    scratch.Write("a.history", text);

    std::vector<PlayHistory::Entry> games;
    ASSERT_TRUE(PlayHistory::Read(scratch.Path("a.history"), games));
    ASSERT_EQ(games.size(), 2u);
    EXPECT_TRUE(games[0] == Game(100));
    EXPECT_TRUE(games[1] == Game(200));

    ASSERT_TRUE(PlayHistory::Append(scratch.Path("a.history"), Game(400)));
    ASSERT_TRUE(PlayHistory::Read(scratch.Path("a.history"), games));
    ASSERT_EQ(games.size(), 3u);
    EXPECT_TRUE(games[0] == Game(100) && games[1] == Game(200) && games[2] == Game(400));
    EXPECT_EQ(scratch.Read("a.history").rfind(kHead, 0), 0u) << "the version line comes first";
}

TEST(PlayHistory, AHugeFileGivesItsNewestThousandGamesAndShrinksToThemOnTheNextGame)
{
    ScratchFolder scratch;
    // 30,000 games (2.4 MB), oldest first.
    std::string text = kHead;
    for (int i = 0; i < 30000; i++)
        text += PlayHistory::FormatLine(Game(i, 1765185000 + i)) + "\n";
    scratch.Write("a.history", text);

    std::vector<PlayHistory::Entry> games;
    ASSERT_TRUE(PlayHistory::Read(scratch.Path("a.history"), games));
    ASSERT_EQ(games.size(), PlayHistory::MAX_ENTRIES);
    EXPECT_EQ(games.front().score, 30000 - 1000);
    EXPECT_EQ(games.back().score, 29999);

    ASSERT_TRUE(PlayHistory::Append(scratch.Path("a.history"), Game(777)));
    ASSERT_TRUE(PlayHistory::Read(scratch.Path("a.history"), games));
    ASSERT_EQ(games.size(), PlayHistory::MAX_ENTRIES);
    EXPECT_EQ(games.front().score, 30000 - 999);
    EXPECT_EQ(games.back().score, 777);
    const std::string kept = scratch.Read("a.history");
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 2 + 1000) << "version, columns, games";
}

TEST(PlayHistory, AFileOfANewerVersionOrOneThePlayerCannotReadIsNeverSavedOver)
{
    ScratchFolder scratch;
    const std::string newer = "keyrise-history 2\nwhat a later game writes\n";
    scratch.Write("newer.history", newer);
    std::string problem;
    EXPECT_FALSE(PlayHistory::Append(scratch.Path("newer.history"), Game(1), &problem));
    EXPECT_NE(problem.find("newer"), std::string::npos) << problem;
    EXPECT_EQ(scratch.Read("newer.history"), newer);

    // The player's own file, made unreadable to them (games they cannot see are still games).
    const std::string own = kHead + PlayHistory::FormatLine(Game(5)) + "\n";
    scratch.Write("own.history", own);
    ASSERT_EQ(chmod(scratch.Folder().c_str(), 0777), 0);
    ASSERT_EQ(chmod(scratch.Path("own.history").c_str(), 0222), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(scratch.Path("own.history").c_str(), kNobody, kNobody), 0);
    }
    EXPECT_TRUE(PassesInChild(
        [&] { return !PlayHistory::Append(scratch.Path("own.history"), Game(6)); }, true));
    EXPECT_EQ(scratch.Read("own.history"), own);

    // A folder where the file belongs.
    ASSERT_EQ(mkdir(scratch.Path("dir.history").c_str(), 0755), 0);
    std::vector<PlayHistory::Entry> games;
    EXPECT_FALSE(PlayHistory::Read(scratch.Path("dir.history"), games, &problem));
    EXPECT_FALSE(PlayHistory::Append(scratch.Path("dir.history"), Game(7)));
}

} // namespace
