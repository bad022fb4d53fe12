// Tests of the program's start-up as a player meets it: its options and exit codes, the folder
// it plays in, the window and language it opens with, and the ending of a normal game.
#include <gtest/gtest.h>

#include <SDL.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/ScratchFolder.h"
#include "game/ReplayRecorder.h"
#include "support/HeadlessGame.h"
#include "text/MessageCatalog.h"

// The program itself, its entry point under another name so that each test can run it.
#define main KeyriseMain
#include "Program.cpp"
#undef main

namespace {

// Runs the program's entry with 'args' after the program name; its exit code.
int RunMain(const std::vector<std::string> &args)
{
    std::vector<std::string> words = {"keyrise"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return KeyriseMain(static_cast<int>(words.size()), argv.data());
}

// What one run of the program left: its exit code, what it printed and what the run saw.
struct ProgramRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
    std::string seen; ///< "window WxH", "language L", "song folder P" lines
};

std::string ReadAll(const std::string &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// True once the window shows anything but black: the first scene has been drawn. The watcher
// peeks at the screen while the game draws it, as a player's eye would, without a lock: the
// peek decides only when to close the window, so the thread checker is told to let it be.
__attribute__((no_sanitize("thread"))) bool Drawn(SDL_Surface *screen)
{
    if (screen == nullptr || screen->pixels == nullptr) {
        return false;
    }
    const Uint8 *bytes = static_cast<const Uint8 *>(screen->pixels);
    for (int y = 0; y < screen->h; y += 4) {
        for (int x = 0; x < screen->pitch; x += 4) {
            if (bytes[y * screen->pitch + x] != 0) {
                return true;
            }
        }
    }
    return false;
}

// "window <w>x<h>" of the screen the game opened (read as in Drawn).
__attribute__((no_sanitize("thread"))) std::string WindowSize(SDL_Surface *screen)
{
    return "window " + std::to_string(screen->w) + "x" + std::to_string(screen->h);
}

// Runs the program with 'args' in a child process, in folder 'where', with the environment
// changed by 'env' ("NAME=value" sets, "NAME" unsets). Once its window shows a picture the
// run notes the window's size and the language, then closes the window as a player would.
ProgramRun RunProgram(const std::string &where, const std::vector<std::string> &args,
                      const std::vector<std::string> &env)
{
    ScratchFolder outputs;
    const std::string out = outputs.Path("out"), err = outputs.Path("err");
    const std::string seen = outputs.Path("seen");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(where.c_str()) != 0 || !std::freopen(out.c_str(), "w", stdout) ||
            !std::freopen(err.c_str(), "w", stderr)) {
            ::_exit(100);
        }
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const std::string &change : env) {
            const size_t equals = change.find('=');
            if (equals == std::string::npos) {
                ::unsetenv(change.c_str());
            } else {
                ::setenv(change.substr(0, equals).c_str(), change.substr(equals + 1).c_str(), 1);
            }
        }
        std::thread([seen] {
            SDL_Surface *screen = nullptr;
            while (!Drawn(screen = SDL_GetVideoSurface())) {
                ::usleep(20000);
            }
            std::ofstream(seen) << WindowSize(screen) << "\n";
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }).detach();
        const int code = RunMain(args);
        std::fflush(stdout);
        std::fflush(stderr);
        // The language is read here, on the game's own thread, once its loop has ended.
        const bool shown = ReadAll(seen).find("window") != std::string::npos;
        std::ofstream more(seen, std::ios::app);
        if (shown) {
            more << "language " << LanguageChoice::Current() << "\n";
        }
        for (const SongFolder &folder : Paths().SongFolders()) {
            more << "song folder " << folder.path << "\n";
        }
        more.close();
        ::_exit(code);
    }
    // A start that never shows a picture fails instead of hanging the tests (the game's timers
    // may take SIGALRM, so the child is ended from here).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (true) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    run.seen = ReadAll(seen);
    return run;
}

int Lines(const std::string &text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ProgramStart, HelpVersionAndAWrongOptionAnswerWithoutOpeningAWindow)
{
    ScratchFolder scratch;
    const ProgramRun help = RunProgram(scratch.Folder(), {"--help"}, {});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--portable"), std::string::npos) << help.out;
    EXPECT_EQ(help.seen.find("window"), std::string::npos) << "no window";
    const ProgramRun version = RunProgram(scratch.Folder(), {"--version"}, {});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("keyrise"), std::string::npos) << version.out;
    // A usage error has its own code, as command-line programs do, and says what to type.
    const ProgramRun wrong = RunProgram(scratch.Folder(), {"--no-such-option"}, {});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("keyrise --help"), std::string::npos) << wrong.err;
    EXPECT_EQ(wrong.out, "");
}

TEST(ProgramStart, AStartThatCannotWorkEndsWithOneLineSayingWhy)
{
    ScratchFolder scratch;
    // No display at all (also an empty DISPLAY): said at once, before any folder is made.
    for (const char *display : {"DISPLAY", "DISPLAY="}) {
        const ProgramRun headless = RunProgram(
            scratch.Folder(), {"--portable", scratch.Path("game")}, {display, "SDL_VIDEODRIVER"});
        EXPECT_EQ(headless.exitCode, 1) << display;
        EXPECT_EQ(Lines(headless.err), 1) << headless.err;
        EXPECT_NE(headless.err.find("no display"), std::string::npos) << headless.err;
    }
    // A display no X server answers at (a stale DISPLAY): said at once, and the terminal is
    // left alone (SDL's terminal drivers would draw on it).
    int free = 60000;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(free))) {
        free++;
    }
    const ProgramRun stale = RunProgram(scratch.Folder(), {"--portable", scratch.Path("game")},
                                        {"DISPLAY=:" + std::to_string(free), "SDL_VIDEODRIVER"});
    EXPECT_EQ(stale.exitCode, 1);
    EXPECT_EQ(Lines(stale.err), 1) << stale.err;
    EXPECT_NE(stale.err.find("\":" + std::to_string(free) + "\" does not answer"),
              std::string::npos)
        << stale.err;
    EXPECT_EQ(stale.out, "");
    // A portable folder that is not there is not played in.
    const ProgramRun missing =
        RunProgram(scratch.Folder(), {"--portable", scratch.Path("gone")}, {});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(Lines(missing.err), 1) << missing.err;
    EXPECT_NE(missing.err.find("cannot play in " + scratch.Path("gone")), std::string::npos)
        << missing.err;
    // A colour depth no display offers.
    FillGameFolder(scratch.Folder());
    scratch.Write("config", "bpp 99\n");
    const ProgramRun depth = RunProgram(scratch.Folder(), {}, {});
    EXPECT_EQ(depth.exitCode, 1);
    EXPECT_NE(depth.err.find("no usable video mode"), std::string::npos) << depth.err;
    EXPECT_EQ(depth.seen, "song folder data\n") << "no window";
}

TEST(ProgramStart, TheWindowAndLanguageComeFromTheSettingsAndClosingEndsWell)
{
    // Played from another folder with --portable; the songs named by a relative path are
    // those of the folder the player started in.
    ScratchFolder scratch;
    std::filesystem::create_directories(scratch.Path("game"));
    std::filesystem::create_directories(scratch.Path("mine"));
    FillGameFolder(scratch.Path("game"));
    scratch.Write("game/config", "videomode -1\nwidth 640\nheight 480\nlanguage ja\n");
    // A temporary file a killed game left behind (its process is gone) is cleared away.
    scratch.Write("game/.config.tmp999999999-1", "half a settings file");

    const ProgramRun run =
        RunProgram(scratch.Folder(), {"--portable", scratch.Path("game"), "--songs", "mine"}, {});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.seen, "window 640x480\nlanguage ja\nsong folder data\nsong folder " +
                            scratch.Path("mine") + "\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.Path("game/.config.tmp999999999-1")));

    // Without settings: the game's usual window, in English.
    scratch.Write("game/config", "");
    const ProgramRun plain = RunProgram(scratch.Path("game"), {}, {"LANGUAGE=en", "LANG=C"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.seen.substr(0, plain.seen.find("song folder")),
              "window 800x600\nlanguage en\n");
}

// A folder that holds the game's pictures is not enough to play in it: an installed game started
// there stays installed. --portable, or the mark that scripts/play.sh leaves, plays there.
TEST(ProgramStart, AFolderIsPlayedInOnlyWithPortableOrItsMark)
{
    ScratchFolder scratch;
    FillGameFolder(scratch.Folder());
    const std::string mark = scratch.Path(GamePaths::kPortableMarker);
    ASSERT_TRUE(std::filesystem::remove(mark));
    // This program has no installed files beside it: as installed, it cannot start.
    const ProgramRun unmarked = RunProgram(scratch.Folder(), {}, {});
    EXPECT_EQ(unmarked.exitCode, 1);
    EXPECT_NE(unmarked.err.find("the game's files were not found"), std::string::npos)
        << unmarked.err;
    EXPECT_EQ(unmarked.seen.find("window"), std::string::npos);

    const ProgramRun asked = RunProgram(scratch.Folder(), {"--portable", "."}, {});
    EXPECT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_NE(asked.seen.find("window"), std::string::npos) << asked.err;

    scratch.Write(GamePaths::kPortableMarker, "");
    const ProgramRun marked = RunProgram(scratch.Folder(), {}, {});
    EXPECT_EQ(marked.exitCode, 0) << marked.err;
    EXPECT_NE(marked.seen.find("window"), std::string::npos) << marked.err;
}

// True once process 'pid' catches 'signal' (its handler is set).
bool Catches(pid_t pid, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 7, "SigCgt:") == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
        }
    }
    return false;
}

// A replay check ends on SIGTERM, with one line, however long the game its file claims; and a
// file claiming a longer game than its song and turns allow is refused before it is played.
TEST(ProgramStart, AReplayCheckEndsOnSigtermAndRefusesAGameLongerThanItsSong)
{
    ScratchFolder scratch;
    FillGameFolder(scratch.Folder());
    Replay replay;
    std::string reason;
    ASSERT_TRUE(ReplayRecorder::IdentifySong(scratch.Path("data/Fanfare.mid"), replay, reason))
        << reason;
    replay.gameVersion = "test";
    replay.songName = "Fanfare.mid";
    PlayTurn pause;
    pause.pressed = PlayTurn::PAUSE;
    replay.turns = {{2000, pause}, {Replay::MAX_TIME, PlayTurn()}};
    replay.end = Replay::MAX_TIME;
    ASSERT_TRUE(replay.Save(scratch.Path("long.replay"), reason)) << reason;
    replay.turns.clear();
    replay.waitMode = true;
    ASSERT_TRUE(replay.Save(scratch.Path("forged.replay"), reason)) << reason;

    const ProgramRun forged = RunProgram(
        scratch.Folder(), {"--portable", scratch.Folder(), "--replay", "forged.replay"}, {});
    EXPECT_EQ(forged.exitCode, 1);
    EXPECT_EQ(Lines(forged.err), 1) << forged.err;
    EXPECT_NE(forged.err.find("forged.replay: the recorded end (86400000 ms) is later"),
              std::string::npos)
        << forged.err;

    const std::string err = scratch.Path("err");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(scratch.Folder().c_str()) != 0 || !std::freopen(err.c_str(), "w", stderr)) {
            ::_exit(100);
        }
        const int code = RunMain({"--portable", scratch.Folder(), "--replay", "long.replay"});
        std::fflush(stderr);
        ::_exit(code);
    }
    // Once the check watches for it (before that the signal would end any process), SIGTERM;
    // the check would otherwise play a day of game. The deadline only keeps a hang from
    // hanging the tests.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Catches(child, SIGTERM) && std::chrono::steady_clock::now() < deadline) {
        ::usleep(1000);
    }
    ::kill(child, SIGTERM);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
        }
        ::usleep(10000);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    const std::string said = ReadAll(err);
    EXPECT_EQ(Lines(said), 1) << said;
    EXPECT_NE(said.find("long.replay: the check was stopped"), std::string::npos) << said;
}

} // namespace
