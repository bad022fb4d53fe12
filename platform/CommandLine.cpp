// CommandLine: the options the game is started with, and its --help and --version texts.
#include "platform/CommandLine.h"

#include <getopt.h>

#include <cstring>

#ifndef KEYRISE_VERSION
#define KEYRISE_VERSION "unknown"
#endif
#ifndef KEYRISE_COPYRIGHT
#define KEYRISE_COPYRIGHT "Copyright (c) The Keyrise authors"
#endif

namespace {

// getopt_long's codes of the options without a short form (past every character).
enum LongOnly
{
    SONGS = 256,
    PORTABLE,
    REPLAY,
    SONG,
    VERSION
};

const option kOptions[] = {
    {"songs", required_argument, nullptr, SONGS},
    {"portable", required_argument, nullptr, PORTABLE},
    {"replay", required_argument, nullptr, REPLAY},
    {"song", required_argument, nullptr, SONG},
    {"version", no_argument, nullptr, VERSION},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

// "--songs" for the option getopt_long returns as 'code'.
std::string NameOf(int code)
{
    for (const option *o = kOptions; o->name != nullptr; ++o) {
        if (o->val == code) {
            return std::string("--") + o->name;
        }
    }
    return "-" + std::string(1, static_cast<char>(code));
}

// What the option needs, for "option --songs needs a folder".
std::string NeedOf(int code)
{
    return code == SONGS || code == PORTABLE ? "a folder" : "a file";
}

// Why getopt_long refused the word 'word' ("--son", "--fast=1"): an abbreviation that fits
// more than one option, or none.
std::string UnknownLong(const std::string &word)
{
    const std::string name = word.substr(2, word.find('=') - 2);
    std::string fits;
    for (const option *o = kOptions; o->name != nullptr; ++o) {
        if (std::strncmp(o->name, name.c_str(), name.size()) == 0) {
            fits += (fits.empty() ? "--" : " or --") + std::string(o->name);
        }
    }
    if (fits.find(" or ") != std::string::npos) {
        return "option --" + name + " is ambiguous: " + fits;
    }
    return "unknown option --" + name;
}

} // namespace

CommandLine CommandLine::Parse(int argc, const char *const *argv)
{
    CommandLine line;
    // getopt_long reorders the pointers (options first), never the words themselves.
    std::vector<char *> words;
    for (int i = 0; i < argc; ++i) {
        words.push_back(const_cast<char *>(argv[i]));
    }
    words.push_back(nullptr);
    optind = 0; // glibc: a new scan, whatever an earlier one left
    opterr = 0; // refusals are said in one line of the game's own words
    const auto fail = [&line](const std::string &error) {
        line.action = Action::Fail;
        line.error = error;
        return line;
    };
    int code;
    // ':' first: a missing value is told apart from an unknown option.
    while ((code = getopt_long(argc, words.data(), ":h", kOptions, nullptr)) != -1) {
        const std::string word = words[static_cast<size_t>(optind) - 1];
        switch (code) {
        case 'h':
            line.action = Action::ShowHelp;
            return line;
        case VERSION:
            line.action = Action::ShowVersion;
            return line;
        case ':':
            return fail("option " + NameOf(optopt) + " needs " + NeedOf(optopt));
        case '?':
            if (optopt == 0) {
                return fail(UnknownLong(word));
            }
            // Refused with a code of its own: a value given to --help or --version.
            if (optopt == 'h' && word.compare(0, 2, "--") == 0) {
                return fail("option --help takes no value");
            }
            if (optopt >= SONGS) {
                return fail("option " + NameOf(optopt) + " takes no value");
            }
            return fail("unknown option " + NameOf(optopt));
        default:
            break;
        }
        const std::string value = optarg;
        if (value.empty()) {
            return fail("option " + NameOf(code) + " needs " + NeedOf(code));
        }
        if (code == SONGS) {
            line.songs.push_back(value);
        } else if (code == PORTABLE) {
            line.portableFolder = value;
        } else if (code == REPLAY) {
            line.replayFile = value;
        } else {
            line.replaySong = value;
        }
    }
    // The game takes no file names: a song is played from the song selection.
    if (optind < argc) {
        return fail("unexpected argument " + std::string(words[static_cast<size_t>(optind)]));
    }
    if (!line.replaySong.empty() && line.replayFile.empty()) {
        return fail("option --song goes with --replay");
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
           "Options may be shortened to any unambiguous start (--port DIR), take their value\n"
           "as --songs=DIR too, and end at \"--\".\n"
           "\n"
           "The game runs in one of two ways, chosen at start:\n"
           "  portable   with --portable DIR, or when the working directory holds the file\n"
           "             keyrise-portable (as the run/ folder of scripts/play.sh does):\n"
           "             pictures, sounds, songs (data/), settings (config), records and the\n"
           "             song index are all read and written there.\n"
           "  installed  otherwise: the game's files come from its install prefix\n"
           "             (share/games/keyrise); settings are kept in\n"
           "             $XDG_CONFIG_HOME/keyrise/config (~/.config/keyrise/config), your songs\n"
           "             go into $XDG_DATA_HOME/keyrise/songs (~/.local/share/keyrise/songs),\n"
           "             and the song index and the records of songs in folders you cannot\n"
           "             write to are kept in $XDG_DATA_HOME/keyrise.\n"
           "Every game you play is recorded: the best one of each song, part and number of\n"
           "keys beside the song's records, your last 20 in replays/ (portable) or\n"
           "$XDG_DATA_HOME/keyrise/replays (~/.local/share/keyrise/replays).\n"
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
    return std::string("keyrise ") + KEYRISE_VERSION + "\n" + KEYRISE_COPYRIGHT +
           "\n"
           "MIT License: you may use, copy, change and share the game (see its LICENSE).\n"
           "The software is provided \"as is\", without warranty of any kind.\n";
}
