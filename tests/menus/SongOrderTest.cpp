// Tests of the song selection's search filter and sort orders.
#include <gtest/gtest.h>

#include <memory>

#include "menus/SongOrder.h"
#include "song/MidiContainer.h"

namespace {

class SongOrderTest : public ::testing::Test
{
protected:
    // name, title, length ms, busiest density, tempo level, best score (4 keys), last played
    void Add(const std::string &name, const std::string &title, int length, int density, int tempo,
             int score, int64_t played)
    {
        auto song = std::make_unique<MidiContainer>();
        SongSummary s;
        s.name = name;
        s.title = title;
        s.indexed = s.readable = true;
        s.lengthMs = length;
        s.density[3] = density;
        s.tempoLevel = tempo;
        s.lastPlayed = played;
        s.maxChannel = 3;
        song->summary = s;
        song->name = name;
        song->maxChannel = 3;
        song->AllocateScoreArrays();
        song->highScore[3][1] = score;
        song->highScore[5][0] = 1000000 - score; // another number of keys does not count
        songs.push_back(song.get());
        owned.push_back(std::move(song));
    }

    std::string Names(const std::vector<int> &shown)
    {
        std::string out;
        for (int i : shown) {
            out += (out.empty() ? "" : " ") + songs[static_cast<size_t>(i)]->summary.name;
        }
        return out;
    }

    void SetUp() override
    {
        // In name order, as the library lists them.
        Add("a.mid", "Zebra", 9000, 50, 80, 300, 0);
        Add("b.mid", "", 3000, 90, 40, 0, 1700000300);
        Add("folk/c.mid", "apple", 6000, 10, 100, 900, 1700000100);
        Add("folk/d.MID", "Banana", 3000, 70, 60, 500, 0);
    }

    std::vector<MidiContainer *> songs;
    std::vector<std::unique_ptr<MidiContainer>> owned;
};

TEST_F(SongOrderTest, EachOrderSortsTheWholeListWithEqualSongsInNameOrder)
{
    const std::pair<SongOrder::Key, const char *> expected[] = {
        {SongOrder::kName, "a.mid b.mid folk/c.mid folk/d.MID"},
        {SongOrder::kTitle, "folk/c.mid folk/d.MID a.mid b.mid"},
        {SongOrder::kLength, "b.mid folk/d.MID folk/c.mid a.mid"},
        {SongOrder::kDensity, "folk/c.mid a.mid folk/d.MID b.mid"},
        {SongOrder::kTempo, "b.mid folk/d.MID a.mid folk/c.mid"},
        {SongOrder::kHighScore, "folk/c.mid folk/d.MID a.mid b.mid"},
        {SongOrder::kRecent, "b.mid folk/c.mid a.mid folk/d.MID"},
    };
    SongOrder::Key key = SongOrder::kName;
    for (const auto &order : expected) {
        EXPECT_EQ(key, order.first) << "Tab steps through the orders in turn";
        EXPECT_EQ(Names(SongOrder::Arrange(songs, "", order.first, 3)), order.second)
            << SongOrder::Name(order.first);
        key = SongOrder::Next(key);
    }
    EXPECT_EQ(key, SongOrder::kName) << "and starts over";
}

TEST_F(SongOrderTest, TheSearchMatchesNameOrTitleInAnyCase)
{
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "folk", SongOrder::kName, 3)),
              "folk/c.mid folk/d.MID");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "an", SongOrder::kName, 3)), "folk/d.MID");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "ZEB", SongOrder::kName, 3)), "a.mid");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "d.mid", SongOrder::kName, 3)), "folk/d.MID");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "a", SongOrder::kLength, 3)),
              "folk/d.MID folk/c.mid a.mid");
    EXPECT_TRUE(SongOrder::Arrange(songs, "nothing", SongOrder::kName, 3).empty());
    // Each word on its own, in the name or the title.
    EXPECT_EQ(Names(SongOrder::Arrange(songs, " folk  apple ", SongOrder::kName, 3)), "folk/c.mid");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "   ", SongOrder::kName, 3)),
              "a.mid b.mid folk/c.mid folk/d.MID");
}

TEST_F(SongOrderTest, TheHighScoreOrderCountsEveryPartOfTheChosenNumberOfKeys)
{
    // Best scores in the first and in the last part count as much as any other.
    songs[0]->highScore[3][0] = 950000;                // a.mid: its first part
    songs[1]->highScore[3][3] = 970000;                // b.mid: its last part
    songs[3]->highScore[3][songs[3]->maxChannel] = 10; // folk/d.MID: 500 stays its best
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "", SongOrder::kHighScore, 3)),
              "b.mid a.mid folk/c.mid folk/d.MID");
    // With another number of keys only that number's records count (1000000 - score).
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "", SongOrder::kHighScore, 5)),
              "b.mid a.mid folk/d.MID folk/c.mid");
    // Within a search the order holds among the songs found.
    EXPECT_EQ(Names(SongOrder::Arrange(songs, ".mid", SongOrder::kHighScore, 3)),
              "b.mid a.mid folk/c.mid folk/d.MID");
    EXPECT_EQ(Names(SongOrder::Arrange(songs, "folk", SongOrder::kHighScore, 3)),
              "folk/c.mid folk/d.MID");
}

} // namespace
