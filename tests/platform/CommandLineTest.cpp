// Tests of the game's options: what starts the game, what prints and leaves, what is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
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
    // The folder the game keeps its last games in, as it names it.
    EXPECT_NE(std::string::npos, help.find("~/.local/share/keyrise/replays")) << help;
    EXPECT_EQ(std::string::npos, help.find("keyrise/history")) << help;
    const std::string version = CommandLine::VersionText();
    EXPECT_EQ(std::string("keyrise ") + CommandLine::Version() + "\n",
              version.substr(0, version.find('\n') + 1));
    EXPECT_STRNE("unknown", CommandLine::Version());
    // The copyright line is LICENSE's own, year included, and the no-warranty line follows.
    std::ifstream license(std::string(KEYRISE_SOURCE_DIR) + "/LICENSE");
    std::string copyright;
    while (std::getline(license, copyright) && copyright.compare(0, 10, "Copyright ") != 0) {
    }
    ASSERT_NE("", copyright);
    EXPECT_NE(std::string::npos, version.find("\n" + copyright + "\n")) << version;
    EXPECT_NE(std::string::npos, version.find("without warranty of any kind")) << version;
}

// The conventions of GNU programs (getopt_long): any unambiguous start of an option's name,
// options and other words in any order, and "--" ending the options.
TEST(CommandLineTest, OptionsMayBeShortenedAndComeInAnyOrder)
{
    ::unsetenv("POSIXLY_CORRECT"); // with it set, getopt_long stops at the first other word
    const CommandLine shortened =
        Parse({"--songs", "a", "--port=/g", "--rep", "r.replay", "--song=s.mid", "--songs=b"});
    EXPECT_EQ(CommandLine::Action::Play, shortened.action) << shortened.error;
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), shortened.songs);
    EXPECT_EQ("/g", shortened.portableFolder);
    EXPECT_EQ("r.replay", shortened.replayFile);
    EXPECT_EQ("s.mid", shortened.replaySong) << "--song is whole, not the start of --songs";
    EXPECT_EQ(CommandLine::Action::ShowVersion, Parse({"--vers"}).action);
    // A word that is no option is refused wherever it stands, and an option after it still
    // counts.
    EXPECT_EQ(CommandLine::Action::ShowHelp, Parse({"song.mid", "--help"}).action);
    EXPECT_EQ("unexpected argument song.mid", Parse({"song.mid", "--songs", "a"}).error);
    // After "--" nothing is an option.
    EXPECT_EQ("unexpected argument --help", Parse({"--songs", "a", "--", "--help"}).error);
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
        {{"--fast=1"}, "unknown option --fast"},
        {{"--son", "x"}, "option --son is ambiguous: --songs or --song"},
        {{"--help=x"}, "option --help takes no value"},
        {{"--vers=2"}, "option --version takes no value"},
        {{"--replay"}, "option --replay needs a file"},
        {{"--replay", "r.replay", "--song="}, "option --song needs a file"},
    };
    for (const Case &c : cases) {
        const CommandLine line = Parse(c.arguments);
        EXPECT_EQ(CommandLine::Action::Fail, line.action) << c.reason;
        EXPECT_EQ(c.reason, line.error);
    }
}

} // namespace
