// Tests of crash-safe whole-file replacement: success, and every failure leaving the old file.
#include "platform/AtomicFile.h"

#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(AtomicFileTest, ReplacesOrCreatesWithExactlyTheContents)
{
    ScratchFolder scratch;
    const std::string binary("a\0b\r\n\xFF", 6);
    EXPECT_TRUE(ReplaceFileAtomically(scratch.Path("new"), binary));
    EXPECT_EQ(binary, scratch.Read("new"));
    ASSERT_EQ(0, chmod(scratch.Path("new").c_str(), 0640));
    EXPECT_TRUE(ReplaceFileAtomically(scratch.Path("new"), "shorter"));
    EXPECT_EQ("shorter", scratch.Read("new"));
    struct stat info;
    ASSERT_EQ(0, stat(scratch.Path("new").c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777); // a replaced file keeps its permissions

    // A relative path is a file of the working folder.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.Folder());
    const bool written = ReplaceFileAtomically("config", "keynum 4\n");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(written);
    EXPECT_EQ("keynum 4\n", scratch.Read("config"));
    EXPECT_EQ((std::vector<std::string>{"config", "new"}), scratch.Names());
}

TEST(AtomicFileTest, FailuresLeaveTheOldFileAndNoTemporary)
{
    ScratchFolder scratch;
    scratch.Write("config", "old\n");
    std::string error;
    {
        FileSizeLimit fullDisk(4); // disk full while writing the temporary file
        EXPECT_FALSE(ReplaceFileAtomically(scratch.Path("config"), "much longer text\n", &error));
    }
    EXPECT_NE(std::string::npos, error.find("cannot write")) << error;
    EXPECT_EQ("old\n", scratch.Read("config"));

    // The rename fails: the path is a folder that holds a file.
    std::filesystem::create_directory(scratch.Path("folder"));
    scratch.Write("folder/inside", "kept");
    EXPECT_FALSE(ReplaceFileAtomically(scratch.Path("folder"), "text", &error));
    EXPECT_NE(std::string::npos, error.find("cannot replace")) << error;
    EXPECT_EQ("kept", scratch.Read("folder/inside"));

    // No folder to create the temporary file in, or no file name at all.
    EXPECT_FALSE(ReplaceFileAtomically(scratch.Path("missing/config"), "text"));
    EXPECT_FALSE(ReplaceFileAtomically(scratch.Folder() + "/", "text"));
    EXPECT_EQ((std::vector<std::string>{"config", "folder"}), scratch.Names());
}

} // namespace
