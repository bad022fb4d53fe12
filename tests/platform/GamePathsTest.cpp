// Tests of where the game keeps its files: portable exactly as in the game's own folder,
// installed in the prefix and the player's XDG folders.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "config/ScratchFolder.h"
#include "platform/GamePaths.h"

namespace {

namespace fs = std::filesystem;

GamePaths::Environment Table(const std::map<std::string, std::string> &variables)
{
    return [variables](const char *name) -> const char * {
        const auto at = variables.find(name);
        return at == variables.end() ? nullptr : at->second.c_str();
    };
}

// Where the settings, the index, the player's songs, the records kept apart, the pictures and
// the sounds are.
std::vector<std::string> FilesOf(const GamePaths &paths)
{
    return {paths.ConfigFile(),  paths.SongIndexFile(), paths.PlayerSongFolder(),
            paths.ScoreFolder(), paths.ImageFolder(),   paths.SoundFolder()};
}

TEST(GamePathsTest, PortableUsesTheWorkingDirectoryAsTheGameAlwaysDid)
{
    const GamePaths paths;
    ASSERT_TRUE(paths.IsPortable());
    EXPECT_EQ((std::vector<std::string>{"config", "songindex", "data", "scores", "image", "wav"}),
              FilesOf(paths));
    EXPECT_EQ("image/rune-P.ttf", paths.FontFile());
    EXPECT_TRUE(paths.LocaleFolders().empty());
    EXPECT_EQ((std::vector<std::string>{".", "data", "replays"}), paths.SavingFolders());
    const std::vector<SongFolder> folders = paths.SongFolders();
    ASSERT_EQ(1u, folders.size());
    EXPECT_EQ("data", folders[0].path);
    EXPECT_EQ("", folders[0].label);
    EXPECT_TRUE(folders[0].writable);
}

TEST(GamePathsTest, InstalledKeepsThePlayersFilesInTheXdgFolders)
{
    const GamePaths set = GamePaths::Installed(
        "/opt/k/share",
        Table({{"HOME", "/home/p"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/dat"}}));
    EXPECT_FALSE(set.IsPortable());
    EXPECT_EQ((std::vector<std::string>{"/cfg/keyrise/config", "/dat/keyrise/songindex",
                                        "/dat/keyrise/songs", "/dat/keyrise/scores",
                                        "/opt/k/share/games/keyrise/image",
                                        "/opt/k/share/games/keyrise/wav"}),
              FilesOf(set));
    EXPECT_EQ((std::vector<std::string>{"/opt/k/share/locale"}), set.LocaleFolders());
    const std::vector<SongFolder> folders = set.SongFolders();
    ASSERT_EQ(2u, folders.size());
    EXPECT_EQ("/dat/keyrise/songs", folders[0].path);
    EXPECT_TRUE(folders[0].writable);
    // The bundled songs are the package's: their records never go beside them, even for root.
    EXPECT_EQ("/opt/k/share/games/keyrise/songs", folders[1].path);
    EXPECT_FALSE(folders[1].label.empty());
    EXPECT_FALSE(folders[1].writable);

    // Unset, empty and relative variables fall back to the defaults below HOME.
    for (const auto &variables : std::vector<std::map<std::string, std::string>>{
             {{"HOME", "/home/p"}},
             {{"HOME", "/home/p"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", ""}},
             {{"HOME", "/home/p"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "d"}}}) {
        const GamePaths unset = GamePaths::Installed("/usr/share", Table(variables));
        EXPECT_EQ("/home/p/.config/keyrise/config", unset.ConfigFile());
        EXPECT_EQ("/home/p/.local/share/keyrise/songindex", unset.SongIndexFile());
        EXPECT_EQ("/home/p/.local/share/keyrise/songs", unset.PlayerSongFolder());
        EXPECT_EQ("~/.local/share/keyrise/songs", unset.ShownPath(unset.PlayerSongFolder()));
    }
    // Only a whole folder name of the home is shortened.
    EXPECT_EQ("/home/pat/x", set.ShownPath("/home/pat/x"));
    EXPECT_EQ("/cfg/keyrise/config", set.ShownPath(set.ConfigFile()));
}

TEST(GamePathsTest, AddedFoldersComeLastWithNamesThatKeepThemApart)
{
    ScratchFolder scratch;
    fs::create_directories(scratch.Path("a/music"));
    fs::create_directories(scratch.Path("b/music"));
    GamePaths paths;
    paths.AddSongFolder(scratch.Path("a/music"));
    paths.AddSongFolder(scratch.Path("b/music/"));
    const std::vector<SongFolder> folders = paths.SongFolders();
    ASSERT_EQ(3u, folders.size());
    EXPECT_EQ("data", folders[0].path);
    EXPECT_EQ(scratch.Path("a/music"), folders[1].path);
    EXPECT_EQ("music", folders[1].label);
    EXPECT_EQ("music 2", folders[2].label);
    EXPECT_TRUE(folders[1].writable);
}

TEST(GamePathsTest, TheInstallIsFoundBesideTheProgramWhereverItWasPut)
{
    ScratchFolder scratch;
    const std::string prefix = scratch.Path("some/prefix");
    fs::create_directories(prefix + "/games");
    EXPECT_EQ("", GamePaths::ShareFolderOf(prefix + "/games/keyrise"));
    fs::create_directories(prefix + "/share/games/keyrise/image");
    EXPECT_EQ(prefix + "/share", GamePaths::ShareFolderOf(prefix + "/games/keyrise"));
    EXPECT_EQ(prefix + "/share", GamePaths::ShareFolderOf(prefix + "/bin/keyrise"));
    EXPECT_EQ("", GamePaths::ShareFolderOf(scratch.Path("elsewhere/games/keyrise")));
    EXPECT_EQ("", GamePaths::ShareFolderOf("keyrise"));

    // The player's folders are made on the first start, private to the player.
    const GamePaths paths =
        GamePaths::Installed(prefix + "/share", Table({{"HOME", scratch.Path("home")}}));
    std::string problem;
    ASSERT_TRUE(paths.CreateFolders(problem)) << problem;
    EXPECT_TRUE(fs::is_directory(scratch.Path("home/.config/keyrise")));
    EXPECT_TRUE(fs::is_directory(scratch.Path("home/.local/share/keyrise/songs")));
    struct stat info;
    ASSERT_EQ(0, stat(scratch.Path("home/.local/share/keyrise").c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
    // Made again on the next start: nothing to do, nothing fails.
    EXPECT_TRUE(paths.CreateFolders(problem)) << problem;

    // A home that cannot hold them is reported.
    scratch.Write("file", "");
    const GamePaths blocked =
        GamePaths::Installed(prefix + "/share", Table({{"HOME", scratch.Path("file")}}));
    EXPECT_FALSE(blocked.CreateFolders(problem));
    EXPECT_NE(std::string::npos, problem.find(scratch.Path("file"))) << problem;
}

// Without a usable HOME the home folder is the user database's; HOME wins when it is absolute;
// with neither, the start is refused in one line unless both XDG folders are given.
TEST(GamePathsTest, WithoutHomeTheUserDatabaseGivesTheHomeFolder)
{
    const auto fromDatabase = [] { return std::string("/home/db"); };
    for (const auto &variables : std::vector<std::map<std::string, std::string>>{
             {}, {{"HOME", ""}}, {{"HOME", "relative/home"}}}) {
        const GamePaths paths =
            GamePaths::Installed("/opt/k/share", Table(variables), fromDatabase);
        EXPECT_EQ("/home/db/.config/keyrise/config", paths.ConfigFile());
        EXPECT_EQ("/home/db/.local/share/keyrise/songindex", paths.SongIndexFile());
        EXPECT_EQ("~/.local/share/keyrise/songs", paths.ShownPath(paths.PlayerSongFolder()));
    }
    const GamePaths set =
        GamePaths::Installed("/opt/k/share", Table({{"HOME", "/home/env"}}), fromDatabase);
    EXPECT_EQ("/home/env/.config/keyrise/config", set.ConfigFile());

    ScratchFolder scratch;
    const auto none = [] { return std::string(); };
    const GamePaths homeless = GamePaths::Installed("/opt/k/share", Table({}), none);
    std::string problem;
    EXPECT_FALSE(homeless.CreateFolders(problem));
    EXPECT_NE(std::string::npos, problem.find("HOME")) << problem;
    EXPECT_EQ(std::string::npos, problem.find('\n')) << problem;
    const GamePaths given = GamePaths::Installed(
        "/opt/k/share",
        Table({{"XDG_CONFIG_HOME", scratch.Path("c")}, {"XDG_DATA_HOME", scratch.Path("d")}}),
        none);
    EXPECT_TRUE(given.CreateFolders(problem)) << problem;
    EXPECT_EQ(scratch.Path("c") + "/keyrise/config", given.ConfigFile());
}

// The user database read by the game is the one getent reads.
TEST(GamePathsTest, TheUserDatabaseHomeIsTheRunningUsersEntry)
{
    const std::string command = "getent passwd " + std::to_string(getuid()) + " | cut -d: -f6";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    char line[4096] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string expected = got ? line : "";
    while (!expected.empty() && expected.back() == '\n')
        expected.pop_back();
    if (expected.empty() || expected[0] != '/')
        GTEST_SKIP() << "no home folder for this user in the user database";
    EXPECT_EQ(expected, GamePaths::PasswdHome());
}

} // namespace
