// Tests of a song library over several folders: the player's songs, the bundled ones and added
// folders in one list, and where the records of songs in read-only folders are kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

#include "config/ScratchFolder.h"
#include "menus/TestSongs.h"
#include "platform/MessageBox.h"
#include "song/MidiContainer.h"
#include "song/SongLibrary.h"

namespace {

namespace fs = std::filesystem;

class SongFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *folder : {"own/rock", "own/Keyrise", "bundled/sub", "extra"}) {
            fs::create_directories(scratch.Path(folder));
        }
        Write("own/a.mid", {{0, 60, 0, 240}});
        Write("own/rock/b.mid", {{1, 62, 0, 240}});
        Write("own/Keyrise/t.mid", {{0, 40, 0, 240}});
        Write("bundled/t.mid", {{2, 64, 0, 240}, {3, 65, 0, 240}});
        Write("bundled/sub/u.mid", {{0, 66, 0, 240}});
        Write("extra/a.mid", {{4, 67, 0, 240}});
    }

    void Write(const std::string &name, const std::vector<TestNote> &notes)
    {
        ASSERT_TRUE(WriteTestFile(scratch.Path(name), MakeTestSong(notes)));
    }

    // The player's folder, a read-only bundled one and an added one, opened and fully read.
    std::unique_ptr<SongLibrary> OpenLibrary() const
    {
        const std::vector<SongFolder> folders{{scratch.Path("own"), "", true},
                                              {scratch.Path("bundled"), "Keyrise", false},
                                              {scratch.Path("extra"), "extra", true}};
        auto library =
            std::make_unique<SongLibrary>(folders, scratch.Path("index"), scratch.Path("scores"));
        library->Open(nullptr, nullptr);
        library->Finish();
        return library;
    }

    ScratchFolder scratch;
};

TEST_F(SongFoldersTest, EveryFolderIsListedOnceUnderItsNameAndReadFromItsOwnPlace)
{
    for (int run = 0; run < 2; ++run) { // the second run takes every song from the index
        const std::unique_ptr<SongLibrary> library = OpenLibrary();
        EXPECT_EQ(run == 0 ? 5 : 0, library->GetToRead());
        std::map<std::string, MidiContainer *> byName;
        std::vector<std::string> order;
        for (MidiContainer *song : library->GetSongs()) {
            byName[song->name] = song;
            order.push_back(song->name);
        }
        // One list in name order; the player's own Keyrise/t.mid keeps its place over the
        // bundled song of the same listed name.
        EXPECT_EQ((std::vector<std::string>{"Keyrise/sub/u.mid", "Keyrise/t.mid", "a.mid",
                                            "extra/a.mid", "rock/b.mid"}),
                  order);
        EXPECT_EQ(3, library->GetOwnSongCount());
        ASSERT_EQ(5u, byName.size());
        EXPECT_EQ(scratch.Path("own/Keyrise/t.mid"), byName["Keyrise/t.mid"]->path);
        EXPECT_EQ(scratch.Path("bundled/sub/u.mid"), byName["Keyrise/sub/u.mid"]->path);
        EXPECT_EQ(scratch.Path("extra/a.mid"), byName["extra/a.mid"]->path);
        // Each song's summary comes from its own file: the parts tell them apart.
        EXPECT_EQ(0, byName["a.mid"]->maxChannel);
        EXPECT_EQ(4, byName["extra/a.mid"]->maxChannel);
        EXPECT_EQ(1, byName["rock/b.mid"]->maxChannel);
        EXPECT_TRUE(byName["Keyrise/sub/u.mid"]->LoadEvents());
    }
}

TEST_F(SongFoldersTest, RecordsOfReadOnlyFoldersAreKeptInTheScoreFolderAndReadBack)
{
    {
        const std::unique_ptr<SongLibrary> library = OpenLibrary();
        for (MidiContainer *song : library->GetSongs()) {
            ASSERT_EQ(song->highScore[0], nullptr) << "no score file, no tables";
            song->AllocateScoreArrays(); // as a card handing a record back does
            song->highScore[3][0] = 4321;
            ASSERT_TRUE(song->Save()) << song->name;
        }
    }
    // Beside the song where the folder is the player's to write, else below the score folder.
    EXPECT_TRUE(fs::exists(scratch.Path("own/a.mid.score")));
    EXPECT_TRUE(fs::exists(scratch.Path("own/Keyrise/t.mid.score")));
    EXPECT_TRUE(fs::exists(scratch.Path("extra/a.mid.score")));
    EXPECT_TRUE(fs::exists(scratch.Path("scores/Keyrise/sub/u.mid.score")));
    EXPECT_FALSE(fs::exists(scratch.Path("bundled/sub/u.mid.score")));

    const std::unique_ptr<SongLibrary> again = OpenLibrary();
    for (MidiContainer *song : again->GetSongs()) {
        EXPECT_EQ(4321, song->highScore[3][0]) << song->name;
    }
}

// A folder that lists nothing (missing, a file, a FIFO) is said once on stderr and kept for the
// screen, naming the folder and why; the others' songs are listed as ever. The player's own
// folder merely missing is not a problem (the selection says where it goes); anything else is.
TEST_F(SongFoldersTest, AFolderThatListsNothingIsToldWithItsReason)
{
    scratch.Write("file", "");
    ASSERT_EQ(::mkfifo(scratch.Path("fifo").c_str(), 0600), 0);
    const std::vector<SongFolder> folders{{scratch.Path("missing-own"), "", true},
                                          {scratch.Path("extra"), "extra", true},
                                          {scratch.Path("gone"), "gone", true},
                                          {scratch.Path("file"), "file", true},
                                          {scratch.Path("fifo"), "fifo", true}};
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    SongLibrary library(folders, scratch.Path("index"), scratch.Path("scores"));
    library.Open(nullptr, nullptr);
    library.Finish();
    SetWarningSink(nullptr);
    ASSERT_EQ(1u, library.GetSongs().size()) << "the good folder's song is listed";
    using Problems = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Problems{{scratch.Path("gone"), "no such folder"},
                        {scratch.Path("file"), "not a folder"},
                        {scratch.Path("fifo"), "not a folder"}}),
              library.GetFolderProblems());
    ASSERT_EQ(3u, warnings.size());
    EXPECT_NE(std::string::npos, warnings[0].find(scratch.Path("gone") + ": ")) << warnings[0];
    EXPECT_NE(std::string::npos, warnings[2].find("not a folder")) << warnings[2];

    // The player's own folder as a file is said too.
    const std::vector<SongFolder> own{{scratch.Path("file"), "", true}};
    SetWarningSink([](const std::string &) {});
    SongLibrary ownLibrary(own, scratch.Path("index"), scratch.Path("scores"));
    ownLibrary.Open(nullptr, nullptr);
    SetWarningSink(nullptr);
    EXPECT_EQ((Problems{{scratch.Path("file"), "not a folder"}}), ownLibrary.GetFolderProblems());
}

} // namespace
