// Tests of the song selection's loader thread on its own: only the latest request is answered.
#include "menus/SongLoader.h"

#include <gtest/gtest.h>

#include "config/ScratchFolder.h"
#include "menus/TestSongs.h"

namespace {

TEST(SongLoaderTest, OnlyTheLatestRequestIsAnsweredAndAskingAgainReusesTheReadUnderWay)
{
    ScratchFolder scratch;
    const std::string a = scratch.Path("a.mid");
    const std::string b = scratch.Path("b.mid");
    ASSERT_TRUE(WriteTestFile(a, MakeTestSong({{0, 60, 0, 480}})));
    ASSERT_TRUE(WriteTestFile(b, MakeTestSong({{4, 72, 0, 480}})));
    SongLoader loader;
    SongLoader::Hold(true);
    loader.Request(1, a, "a.mid");
    loader.Request(2, b, "b.mid");
    loader.Request(3, a, "a.mid"); // back to a before anything was read
    SongLoader::Hold(false);
    uint64_t ticket = 0;
    SongEvents events;
    ASSERT_TRUE(loader.Wait(ticket, events));
    EXPECT_EQ(ticket, 3u);
    ASSERT_NE(events.midi, nullptr);
    EXPECT_EQ(events.maxChannel, 0) << "a's events, not b's";
    EXPECT_TRUE(events.heap) << "the events come with the heap that holds them";
    EXPECT_FALSE(loader.IsReady()) << "nothing else was read for an older request";
}

} // namespace
