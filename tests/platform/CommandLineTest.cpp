// Tests of the game's options: what starts the game, what prints and leaves, what is refused.
#include <gtest/gtest.h>

#include <vector>

#include "platform/CommandLine.h"

namespace {

CommandLine Parse(const std::vector<const char *> &arguments)
{
    std::vector<const char *> argv{"keyrise"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return CommandLine::Parse(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLineTest, FoldersAreTakenInBothSpellingsAndInTheOrderGiven)
{
    const CommandLine none = Parse({});
    EXPECT_EQ(CommandLine::Action::Play, none.action);
    EXPECT_TRUE(none.songs.empty());
    EXPECT_TRUE(none.portableFolder.empty());

    const CommandLine line =
        Parse({"--songs", "/a b", "--portable=/game", "--songs=rel/x", "--songs", "--c"});
    EXPECT_EQ(CommandLine::Action::Play, line.action) << line.error;
    EXPECT_EQ((std::vector<std::string>{"/a b", "rel/x", "--c"}), line.songs);
    EXPECT_EQ("/game", line.portableFolder);
}

// --replay takes a file and --song one for it; --song alone plays nothing and is refused.
TEST(CommandLineTest, AReplayIsCheckedWithItsSongOrNone)
{
    const CommandLine line = Parse({"--replay=a.replay", "--song", "s.mid"});
    EXPECT_EQ(CommandLine::Action::Play, line.action) << line.error;
    EXPECT_EQ("a.replay", line.replayFile);
    EXPECT_EQ("s.mid", line.replaySong);
    EXPECT_EQ(CommandLine::Action::Fail, Parse({"--song", "s.mid"}).action);
    EXPECT_EQ(CommandLine::Action::Fail, Parse({"--replay"}).action);
    EXPECT_NE(std::string::npos, CommandLine::HelpText().find("--replay FILE"));
}

TEST(CommandLineTest, HelpAndVersionLeaveAtOnceAndNameWhatThePlayerNeeds)
{
    EXPECT_EQ(CommandLine::Action::ShowHelp, Parse({"--songs", "x", "--help"}).action);
    EXPECT_EQ(CommandLine::Action::ShowHelp, Parse({"-h"}).action);
    EXPECT_EQ(CommandLine::Action::ShowVersion, Parse({"--version", "--bogus"}).action);
    const std::string help = CommandLine::HelpText();
    for (const char *needed :
         {"--songs DIR", "--portable DIR", "--version", "--help", "portable", "installed",
          "~/.config/keyrise/config", "~/.local/share/keyrise/songs"}) {
        EXPECT_NE(std::string::npos, help.find(needed)) << needed;
    }
    EXPECT_EQ(std::string("keyrise ") + CommandLine::Version() + "\n",
              CommandLine::VersionText().substr(0, CommandLine::VersionText().find('\n') + 1));
    EXPECT_STRNE("unknown", CommandLine::Version());
}

TEST(CommandLineTest, AnythingElseIsRefusedWithTheReason)
{
    struct Case
    {
        std::vector<const char *> arguments;
        const char *reason;
    };
    const std::vector<Case> cases{
        {{"--fullscreen"}, "unknown option --fullscreen"},
        {{"-x"}, "unknown option -x"},
        {{"song.mid"}, "unexpected argument song.mid"},
        {{"--songs"}, "option --songs needs a folder"},
        {{"--portable="}, "option --portable needs a folder"},
        {{"--songs", "ok", "--fast"}, "unknown option --fast"},
    };
    for (const Case &c : cases) {
        const CommandLine line = Parse(c.arguments);
        EXPECT_EQ(CommandLine::Action::Fail, line.action) << c.reason;
        EXPECT_EQ(c.reason, line.error);
    }
}

} // namespace
