// Tests of listing the song files of a folder, and of folders that give none.
#include "platform/DirectorySearch.h"

#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
