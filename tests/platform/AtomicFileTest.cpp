// Tests of crash-safe whole-file replacement: success, and every failure leaving the old file.
#include "platform/AtomicFile.h"

#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

// The id of a process that has ended (a child that exited and was reaped).
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(AtomicFileTest, KilledSavesLeaveNothingBehindAndASizeLimitIsAFailedSave)
{
    ScratchFolder scratch;
    const std::string dead = std::to_string(EndedProcess());
    const std::string alive = std::to_string(getppid());
    const std::string self = std::to_string(getpid());
    for (const std::string &name : std::vector<std::string>{
             ".config.tmp" + dead + "-0", ".config.tmp" + alive + "-1", ".config.tmp" + self + "-2",
             ".song.mid.score.tmp" + dead + "-7", ".config.tmpx-1", "config.tmp" + dead + "-3"}) {
        scratch.Write(name, "partial");
    }
    // A save removes its own file's leftovers of ended processes, and only those.
    EXPECT_TRUE(ReplaceFileAtomically(scratch.Path("config"), "keynum 4\n"));
    EXPECT_EQ(Sorted({".config.tmp" + alive + "-1", ".config.tmp" + self + "-2", ".config.tmpx-1",
                      ".song.mid.score.tmp" + dead + "-7", "config", "config.tmp" + dead + "-3"}),
              scratch.Names());
    // At start-up, every file's leftovers of ended processes go.
    PrepareSafeSaving({scratch.Folder()});
    EXPECT_EQ(Sorted({".config.tmp" + alive + "-1", ".config.tmp" + self + "-2", ".config.tmpx-1",
                      "config", "config.tmp" + dead + "-3"}),
              scratch.Names());

    // Under a file-size limit a prepared process gets a failed save, not SIGXFSZ's ending.
    const pid_t child = fork();
    if (child == 0) {
        PrepareSafeSaving({});
        rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(ReplaceFileAtomically(scratch.Path("config"), "much longer text\n") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ("keynum 4\n", scratch.Read("config"));
    EXPECT_EQ(5u, scratch.Names().size()) << "no temporary left";
}
