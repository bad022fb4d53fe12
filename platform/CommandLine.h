// CommandLine: the options the game is started with, and its --help and --version texts.
#pragma once

#include <string>
#include <vector>

// Parses the program's arguments with glibc's getopt_long, so they follow GNU's conventions: any
// unambiguous start of a name ("--port"), "--opt=value" as "--opt value", options before or after
// other words, "--" ending them. Options: --songs DIR (more than once), --portable DIR, --replay
// FILE with --song FILE, --version, -h/--help. Anything else (a file name too) is an error, with
// one line for the player (the game then exits with status 2).
class CommandLine
{
public:
    // What to do after parsing.
    enum class Action
    {
        Play,        ///< start the game
        ShowHelp,    ///< print HelpText() and exit 0
        ShowVersion, ///< print VersionText() and exit 0
        Fail         ///< print 'error' and a hint to --help, exit 2
    };

    // Parses argv[1..argc-1].
    static CommandLine Parse(int argc, const char *const *argv);

    Action action = Action::Play;
    std::string error;              ///< why the arguments were refused (Action::Fail)
    std::vector<std::string> songs; ///< --songs folders, in the order given
    std::string portableFolder;     ///< --portable folder; empty when not given
    std::string replayFile;         ///< --replay: a recorded game to check headless; empty: none
    std::string replaySong;         ///< --song: the song file for it; empty: found by its name

    // The --help text: usage, options and where the game keeps its files in each way to run.
    static std::string HelpText();
    // The game's version ("0.3.0").
    static const char *Version();
    // "keyrise <version>" and the licence line.
    static std::string VersionText();
};
