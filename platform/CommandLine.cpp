// CommandLine: the options the game is started with, and its --help and --version texts.
#include "platform/CommandLine.h"

#ifndef KEYRISE_VERSION
#define KEYRISE_VERSION "unknown"
#endif

CommandLine CommandLine::Parse(int argc, const char *const *argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = option.find('=');
        if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasValue = true;
        }
        if (option == "--help" || option == "-h") {
            line.action = Action::ShowHelp;
            return line;
        }
        if (option == "--version") {
            line.action = Action::ShowVersion;
            return line;
        }
        if (option == "--songs" || option == "--portable" || option == "--replay" ||
            option == "--song") {
            const bool folder = option == "--songs" || option == "--portable";
            if (!hasValue) {
                if (i + 1 >= argc) {
                    line.action = Action::Fail;
                    line.error =
                        "option " + option + (folder ? " needs a folder" : " needs a file");
                    return line;
                }
                value = argv[++i];
            }
            if (value.empty()) {
                line.action = Action::Fail;
                line.error = "option " + option + (folder ? " needs a folder" : " needs a file");
                return line;
            }
            if (option == "--songs") {
                line.songs.push_back(value);
            } else if (option == "--portable") {
                line.portableFolder = value;
            } else if (option == "--replay") {
                line.replayFile = value;
            } else {
                line.replaySong = value;
            }
            continue;
        }
        line.action = Action::Fail;
        line.error = option.size() > 1 && option[0] == '-' ? "unknown option " + option
                                                           : "unexpected argument " + option;
        return line;
    }
    if (!line.replaySong.empty() && line.replayFile.empty()) {
        line.action = Action::Fail;
        line.error = "option --song goes with --replay";
    }
    return line;
}

std::string CommandLine::HelpText()
{
    return "Usage: keyrise [OPTION]...\n"
           "A rhythm game played to Standard MIDI Files.\n"
           "\n"
           "Options:\n"
           "  --songs DIR      also list the songs in DIR (and its sub-folders); may be given\n"
           "                   more than once\n"
           "  --portable DIR   play portably in DIR (see below)\n"
           "  --replay FILE    play the recorded game FILE again without a window or sound,\n"
           "                   print its result and exit (1 when it differs from the\n"
           "                   recorded one or cannot be played)\n"
           "  --song FILE      with --replay: the song to play it with, instead of the one\n"
           "                   listed under the recorded name\n"
           "  --version        print the version and exit\n"
           "  -h, --help       print this help and exit\n"
           "\n"
           "The game runs in one of two ways, chosen at start:\n"
           "  portable   when the working directory holds the game's files (an image/ folder)\n"
           "             or with --portable DIR: pictures, sounds, songs (data/), settings\n"
           "             (config), records and the song index are all read and written there.\n"
           "  installed  otherwise: the game's files come from its install prefix\n"
           "             (share/games/keyrise); settings are kept in\n"
           "             $XDG_CONFIG_HOME/keyrise/config (~/.config/keyrise/config), your songs\n"
           "             go into $XDG_DATA_HOME/keyrise/songs (~/.local/share/keyrise/songs),\n"
           "             and the song index and the records of songs in folders you cannot\n"
           "             write to are kept in $XDG_DATA_HOME/keyrise.\n"
           "Every game you play is recorded: the best one of each song, part and number of\n"
           "keys beside the song's records, your last 20 in replays/ (portable) or\n"
           "$XDG_DATA_HOME/keyrise/history.\n"
           "\n"
           "Exit status: 0 when the game ended normally, 1 when it could not start (or a\n"
           "replay could not be played or gave another result), 2 for wrong options.\n";
}

const char *CommandLine::Version()
{
    return KEYRISE_VERSION;
}

std::string CommandLine::VersionText()
{
    return std::string("keyrise ") + KEYRISE_VERSION +
           "\nCopyright (c) The Keyrise authors. MIT License.\n";
}
