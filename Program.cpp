// Program: the entry point; sets up the manager and window from the settings and runs the game.
#include <SDL.h>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigReader.h"
#include "devices/MidiOut.h"
#include "devices/NullMidiOut.h"
#include "framework/LanguageChoice.h"
#include "framework/SceneManager.h"
#include "framework/VideoDriverCheck.h"
#include "framework/VideoModeChoice.h"
#include "game/Replay.h"
#include "game/ReplayCheck.h"
#include "menus/MenuScene.h"
#include "menus/MyLoadScene.h"
#include "platform/AtomicFile.h"
#include "platform/CommandLine.h"
#include "platform/GamePaths.h"

namespace {

// Why start-up failed, for the one line printed before exiting.
std::string startupError;

// 'path' made absolute against the working directory (unchanged when it cannot be).
std::string Absolute(const std::string &path)
{
    char cwd[PATH_MAX];
    if (path.empty() || path[0] == '/' || getcwd(cwd, sizeof cwd) == nullptr) {
        return path;
    }
    return std::string(cwd) + "/" + path;
}

// Chooses how the game runs (see GamePaths): portable in the --portable folder or in a working
// directory marked portable (GamePaths::kPortableMarker), otherwise installed. False, with
// startupError set, when neither is possible.
bool ChoosePaths(const CommandLine &line)
{
    std::vector<std::string> songs;
    for (const std::string &folder : line.songs) {
        songs.push_back(Absolute(folder));
    }
    GamePaths paths;
    if (!line.portableFolder.empty()) {
        if (chdir(line.portableFolder.c_str()) != 0) {
            startupError = "cannot play in " + line.portableFolder + ": " + std::strerror(errno);
            return false;
        }
    } else if (!GamePaths::IsPortableFolder(".")) {
        char program[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
        const std::string exe = length > 0 ? std::string(program, static_cast<size_t>(length)) : "";
        const std::string share = GamePaths::ShareFolderOf(exe);
        if (share.empty()) {
            startupError = "the game's files were not found: no share/games/keyrise beside " + exe +
                           " (play from the clone with scripts/play.sh, or with --portable DIR)";
            return false;
        }
        paths = GamePaths::Installed(share, [](const char *name) { return std::getenv(name); });
    }
    for (const std::string &folder : songs) {
        paths.AddSongFolder(folder);
    }
    if (!paths.CreateFolders(startupError)) {
        return false;
    }
    SetPaths(paths);
    return true;
}

// The signal that stopped the replay check; 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

void StopCheck(int signal)
{
    stopSignal = signal;
    ReplayCheck::Stop();
}

// SIGINT and SIGTERM end the check. Set before SDL starts, which then keeps them (its own would
// only queue a quit event that the check never reads).
void WatchForStop()
{
    struct sigaction stop = {};
    stop.sa_handler = StopCheck;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
}

// Plays the recorded game of --replay without a window or sound, as fast as it goes, and prints
// its result on stdout ("key value" lines). 0 when it gave the recorded result; 1, with the
// reason on stderr, when it could not be played or gave another result; 128 + the signal when
// SIGINT or SIGTERM stopped it.
int CheckReplay(const CommandLine &line)
{
    WatchForStop();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string file = line.replayFile;
    auto replay = std::make_shared<Replay>();
    std::string reason;
    if (!replay->Read(Absolute(file), reason)) {
        std::fprintf(stderr, "keyrise: %s: %s\n", file.c_str(), reason.c_str());
        return 1;
    }
    const std::string songArgument = line.replaySong.empty() ? "" : Absolute(line.replaySong);
    if (!ChoosePaths(line)) {
        std::fprintf(stderr, "keyrise: start-up failed: %s\n", startupError.c_str());
        return 1;
    }
    const std::string song = !songArgument.empty()
                                 ? songArgument
                                 : ReplayCheck::FindSong(Paths().SongFolders(), replay->songName);
    if (song.empty()) {
        std::fprintf(stderr, "keyrise: %s: the song \"%s\" is in none of the song folders\n",
                     file.c_str(), replay->songName.c_str());
        return 1;
    }
    if (!ReplayCheck::SameSong(*replay, song, reason)) {
        std::fprintf(stderr, "keyrise: %s: %s: %s\n", file.c_str(), song.c_str(), reason.c_str());
        return 1;
    }
    NullMidiOut silence;
    InitMidiLib();
    SetMidiOutOverride(&silence);
    OpenMidiOut(0);
    int exitCode = 1;
    {
        unsigned int clock = 0;
        SceneManager manager;
        manager.SetTimeSource([&clock]() { return clock; }, [](Uint32) {});
        const GamePaths &paths = Paths();
        ReplayResult result;
        if (!manager.Init(paths.FontFile(), 24, paths.ImageFolder(), "png", paths.SoundFolder(),
                          "wav") ||
            manager.CreateWindow(640, 480, 32, 0) == nullptr) {
            std::fprintf(stderr, "keyrise: %s: %s\n", file.c_str(), manager.GetError().c_str());
        } else if (manager.GetInput().Prepare(),
                   !ReplayCheck::Play(
                       manager, [&clock](unsigned int now) { clock = now; }, replay, song, result,
                       reason)) {
            std::fprintf(stderr, "keyrise: %s: %s\n", file.c_str(), reason.c_str());
            if (stopSignal != 0) {
                exitCode = 128 + stopSignal;
            }
        } else {
            std::fputs(result.Lines().c_str(), stdout);
            const std::string difference = result.FirstDifference(replay->result);
            if (difference.empty()) {
                exitCode = 0;
            } else {
                std::fprintf(stderr,
                             "keyrise: %s: the replay gave another result than the recorded "
                             "one: %s (replayed vs recorded)\n",
                             file.c_str(), difference.c_str());
            }
        }
    }
    CloseMidiOut();
    SetMidiOutOverride(nullptr);
    ReleaseMidiLib();
    return exitCode;
}

// 'code', or 1 when what was printed on stdout could not all be written (a full disk, a closed
// pipe): a help text or a result that never arrived is no success.
int WithOutputWritten(int code)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "keyrise: write error: %s\n", std::strerror(errno));
        return code == 0 ? 1 : code;
    }
    return code;
}

} // namespace

// Initialises the manager with the game's content folders, reads the video settings from
// "config", chooses a mode and opens the window. True when the window is open.
bool init(SceneManager *manager)
{
    const GamePaths &paths = Paths();
    if (!manager->Init(paths.FontFile(), 24, paths.ImageFolder(), "png", paths.SoundFolder(),
                       "wav")) {
        startupError = manager->GetError();
        return false;
    }
    configReader.ReadFile(paths.ConfigFile());
    std::string language;
    configReader.GetString(language, LanguageChoice::kSettingKey, "");
    LanguageChoice::Apply(language);
    VideoSettings settings;
    settings.videoMode = configReader.GetInteger("videomode", -1);
    settings.fullScreen = configReader.GetInteger("fullscreen", 0);
    settings.width = configReader.GetInteger("width", -1);
    settings.height = configReader.GetInteger("height", -1);
    settings.bpp = configReader.GetInteger("bpp", 32);

    unsigned int flags = VideoModeChoice::FlagsFor(settings);
    SDL_Rect **listed = SDL_ListModes(nullptr, flags);
    // Null: no mode fits; -1: any size goes. Neither is a list.
    bool usable = listed != nullptr && listed != reinterpret_cast<SDL_Rect **>(-1);
    std::vector<ListedMode> modes;
    for (int i = 0; usable && listed[i] != nullptr; ++i) {
        modes.push_back({listed[i]->w, listed[i]->h});
    }
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    int displayBpp = info != nullptr && info->vfmt != nullptr ? info->vfmt->BitsPerPixel : 0;
    VideoModeChoice choice = VideoModeChoice::Choose(
        settings, modes, usable,
        [](int w, int h, int bpp, unsigned int f) { return SDL_VideoModeOK(w, h, bpp, f); },
        displayBpp);
    if (!choice.ok) {
        startupError = "no usable video mode for the settings in config (videomode " +
                       std::to_string(settings.videoMode) + ", width " +
                       std::to_string(settings.width) + ", height " +
                       std::to_string(settings.height) + ", bpp " + std::to_string(settings.bpp) +
                       ")";
        return false;
    }
    if (manager->CreateWindow(choice.width, choice.height, choice.bpp, choice.flags) == nullptr) {
        startupError = manager->GetError();
        return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    const CommandLine line = CommandLine::Parse(argc, argv);
    switch (line.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(CommandLine::HelpText().c_str(), stdout);
        return WithOutputWritten(0);
    case CommandLine::Action::ShowVersion:
        std::fputs(CommandLine::VersionText().c_str(), stdout);
        return WithOutputWritten(0);
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "keyrise: %s\nTry 'keyrise --help' for more information.\n",
                     line.error.c_str());
        return 2;
    case CommandLine::Action::Play:
        break;
    }
    if (!line.replayFile.empty()) {
        return WithOutputWritten(CheckReplay(line));
    }
    // Without a display that answers SDL would fall back to drawing the game as characters in
    // the terminal; a player who names a video driver is obeyed.
    const std::string refusal = VideoDriverCheck::Refusal(
        std::getenv("SDL_VIDEODRIVER"), std::getenv("DISPLAY"), VideoDriverCheck::Probe);
    if (!refusal.empty()) {
        std::fprintf(stderr, "keyrise: %s\n", refusal.c_str());
        return 1;
    }
    if (!ChoosePaths(line)) {
        std::fprintf(stderr, "keyrise: start-up failed: %s\n", startupError.c_str());
        return 1;
    }
    // Saves survive a file-size limit; temporaries of killed games are removed.
    PrepareSafeSaving(Paths().SavingFolders());
    int exitCode = 1;
    {
        SceneManager manager;
        if (init(&manager)) {
            manager.AddScene(new MenuScene(&manager), nullptr);
            manager.SetLoadScene(new MyLoadScene(&manager), nullptr);
            exitCode = manager.Main();
        } else {
            std::fprintf(stderr, "keyrise: start-up failed: %s\n", startupError.c_str());
        }
    }
    return exitCode;
}
