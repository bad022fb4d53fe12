// Tests of listing the song files of a folder, and of folders that give none.
#include "platform/DirectorySearch.h"

#include "tests/config/ScratchFolder.h"
#include "tests/support/ChildCheck.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

TEST(DirectorySearchTest, ListsMidFilesInAnyCaseSortedByBytes)
{
    ScratchFolder scratch;
    EXPECT_TRUE(FindMidiFiles(scratch.Folder()).empty());
    EXPECT_TRUE(FindMidiFiles(scratch.Path("data")).empty()); // a missing folder
    for (const char *name : {"b.mid", "A.MID", "c.Mid", "a.mid", "\xE3\x81\x82.mid", "song.midi",
                             "song.mid.score", "mid", "notes.txt", ".mid"}) {
        scratch.Write(name, "MThd");
    }
    std::filesystem::create_directory(scratch.Path("folder.mid"));
    std::filesystem::create_symlink(scratch.Path("b.mid"), scratch.Path("link.mid"));
    std::filesystem::create_symlink(scratch.Path("gone"), scratch.Path("broken.mid"));

    EXPECT_EQ((std::vector<std::string>{".mid", "A.MID", "a.mid", "b.mid", "c.Mid", "link.mid",
                                        "\xE3\x81\x82.mid"}),
              FindMidiFiles(scratch.Folder()));
    EXPECT_TRUE(FindMidiFiles(scratch.Path("b.mid")).empty()); // a file is not a folder
}

// The names below 'folder', in the order the walk gives them.
std::vector<std::string> NamesBelow(const std::string &folder)
{
    std::vector<std::string> names;
    for (const FoundSongFile &file : FindMidiFilesBelow(folder)) {
        names.push_back(file.name);
    }
    return names;
}

TEST(DirectorySearchTest, TheWalkSkipsHiddenNamesEndsAtLinksBackUpAndStopsEightFoldersDown)
{
    ScratchFolder scratch;
    namespace fs = std::filesystem;
    // Hidden files and folders (an editor's backup, a version control folder) hold no songs.
    fs::create_directories(scratch.Path(".git"));
    fs::create_directories(scratch.Path("rock"));
    scratch.Write(".git/a.mid", "MThd");
    scratch.Write(".hidden.mid", "MThd");
    scratch.Write("rock/b.mid", "MThd");
    // Eight folders down is still found, a ninth is not.
    std::string deep;
    for (int level = 1; level <= 9; level++) {
        deep += "d" + std::to_string(level) + "/";
        fs::create_directories(scratch.Path(deep));
        scratch.Write(deep + "s.mid", "MThd");
    }
    // Links back up to the song folder and to a folder on the way: each song is found once.
    fs::create_directory_symlink(scratch.Folder(), scratch.Path("rock/again"));
    fs::create_directory_symlink(scratch.Path("d1"), scratch.Path("d1/d2/up"));
    EXPECT_EQ(NamesBelow(scratch.Folder()),
              (std::vector<std::string>{
                  "d1/d2/d3/d4/d5/d6/d7/d8/s.mid", "d1/d2/d3/d4/d5/d6/d7/s.mid",
                  "d1/d2/d3/d4/d5/d6/s.mid", "d1/d2/d3/d4/d5/s.mid", "d1/d2/d3/d4/s.mid",
                  "d1/d2/d3/s.mid", "d1/d2/s.mid", "d1/s.mid", "rock/b.mid"}));
}

TEST(DirectorySearchTest, ASongSavedTwiceInOneSecondIsSeenAsChanged)
{
    // Saved again within the same second (an editor's quick re-save, a copy over it): only the
    // nanoseconds tell, and a song seen as unchanged would keep its old card.
    ScratchFolder scratch;
    scratch.Write("a.mid", "MThd");
    std::vector<int64_t> times;
    for (long nanoseconds : {100000000L, 600000000L}) {
        const timespec when[2] = {{1700000000, 0}, {1700000000, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, scratch.Path("a.mid").c_str(), when, 0), 0);
        const std::vector<FoundSongFile> found = FindMidiFilesBelow(scratch.Folder());
        ASSERT_EQ(found.size(), 1u);
        int64_t size = 0, modified = 0;
        ASSERT_TRUE(StatSongFile(scratch.Path("a.mid"), size, modified));
        EXPECT_EQ(modified, found[0].modified) << "the walk and a look at one file agree";
        times.push_back(modified);
    }
    EXPECT_NE(times[0], times[1]);
    EXPECT_EQ(times[1] - times[0], 500000000) << "ns apart";
}

// A folder songs cannot be listed from is told with its reason, without opening what is not a
// folder (a FIFO would wait for a writer); an unreadable folder as a player sees it.
TEST(DirectorySearchTest, AFolderNoSongCanBeListedFromIsToldWhy)
{
    namespace fs = std::filesystem;
    ScratchFolder scratch;
    fs::create_directories(scratch.Path("songs"));
    scratch.Write("file.mid", "");
    ASSERT_EQ(::mkfifo(scratch.Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ("", SongFolderProblem(scratch.Path("songs")));
    EXPECT_EQ("no such folder", SongFolderProblem(scratch.Path("gone")));
    EXPECT_EQ("not a folder", SongFolderProblem(scratch.Path("file.mid")));
    EXPECT_TRUE(PassesInChild(
        [&] { return SongFolderProblem(scratch.Path("fifo")) == "not a folder"; }, false, 5))
        << "a FIFO was waited on";
    EXPECT_EQ("not a folder", SongFolderProblem("/dev/null"));

    // Run as nobody even under root: root reads every folder, a player does not.
    ASSERT_EQ(::chmod(scratch.Folder().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(scratch.Path("songs").c_str(), 0), 0);
    EXPECT_TRUE(PassesInChild(
        [&] { return SongFolderProblem(scratch.Path("songs")) == "no permission to read it"; },
        true));
    ASSERT_EQ(::chmod(scratch.Path("songs").c_str(), 0755), 0);
}

} // namespace
