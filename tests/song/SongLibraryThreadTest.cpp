// Tests of the song library's background reader: the main thread polls, reads songs of its own
// and goes away while the worker reads (run under ThreadSanitizer as part of threads_tests).
#include <gtest/gtest.h>

#include <filesystem>

#include "config/ScratchFolder.h"
#include "menus/TestSongs.h"
#include "song/MidiContainer.h"
#include "song/SongLibrary.h"

namespace {

class SongLibraryThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(scratch.Path("data/more"));
        for (int i = 0; i < kSongs; ++i) {
            std::vector<TestNote> notes;
            for (int n = 0; n <= i % 50; ++n) {
                notes.push_back({i % 16, 40 + n, n * 120, 100});
            }
            const std::string name =
                (i % 3 == 0 ? "more/" : "") + std::to_string(1000 + i) + ".mid";
            ASSERT_TRUE(WriteTestFile(scratch.Path("data/" + name), MakeTestSong(notes)));
        }
    }

    static constexpr int kSongs = 120;
    ScratchFolder scratch;
};

TEST_F(SongLibraryThreadTest, SummariesArriveWhileTheMainThreadPollsAndPlaysSongs)
{
    SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
    library.Open(nullptr, nullptr);
    ASSERT_EQ(library.GetSongs().size(), static_cast<size_t>(kSongs));
    EXPECT_EQ(library.GetToRead(), kSongs);
    // Meanwhile the main thread reads songs into tables of their own, as the preview does.
    int polled = 0;
    for (int round = 0; library.IsReading(); ++round) {
        MidiContainer *song = library.GetSongs()[static_cast<size_t>(round % kSongs)];
        ASSERT_TRUE(song->LoadEvents());
        ASSERT_FALSE(song->positions.empty());
        song->ReleaseEvents();
        polled += library.Poll();
    }
    EXPECT_EQ(polled, kSongs);
    EXPECT_EQ(library.GetReadCount(), kSongs);
    for (MidiContainer *song : library.GetSongs()) {
        ASSERT_TRUE(song->summary.indexed) << song->name;
        const int index = std::stoi(song->name.substr(song->name.find_last_of('/') + 1));
        EXPECT_EQ(song->summary.notes[(index - 1000) % 16], (index - 1000) % 50 + 1) << song->name;
    }
    EXPECT_FALSE(scratch.Read("songindex").empty()) << "written once every song was read";
}

TEST_F(SongLibraryThreadTest, ALibraryGoingWhileItReadsStopsItsReaderAndKeepsWhatItRead)
{
    {
        SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
        library.Open(nullptr, nullptr);
        library.Poll(); // the readers start
    }
    SongLibrary again(scratch.Path("data"), scratch.Path("songindex"));
    again.Open(nullptr, nullptr);
    EXPECT_LE(again.GetToRead(), kSongs);
    again.Finish();
    for (MidiContainer *song : again.GetSongs()) {
        EXPECT_TRUE(song->summary.indexed) << song->name;
    }
}

} // namespace
