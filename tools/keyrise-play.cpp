// keyrise-play: developer entry that plays one song in the play scene without the menus.
//
// Usage (in a prepared working folder with config, image/, wav/ and data/):
//   keyrise-play <song.mid> [part] [--auto]
// part is the MIDI channel 0-15 (default: the channel with the most notes). --auto lets a robot
// press every lane key at its note's time. The result screen closes with Return or Escape;
// with --auto it closes by itself after three seconds. The high score and rate go to local
// variables and are printed, never to the song's score file.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "config/ConfigReader.h"
#include "devices/MidiOut.h"
#include "framework/SceneManager.h"
#include "framework/VideoModeChoice.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/ScoreScene.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"

namespace fs = std::filesystem;

namespace {
int Usage()
{
    std::fprintf(stderr, "usage: keyrise-play <song.mid> [part] [--auto]\n");
    return 2;
}

template <class T> T *FindScene(SceneManager &manager)
{
    for (SceneObject *scene : manager.GetScenes()) {
        if (T *found = dynamic_cast<T *>(scene))
            return found;
    }
    return nullptr;
}

// The song's name as the song container expects it: a path relative to data/.
std::string NameInData(const std::string &argument)
{
    std::error_code error;
    fs::path song = fs::absolute(argument, error);
    fs::path data = fs::absolute("data", error);
    return fs::relative(song, data, error).string();
}
} // namespace

int main(int argc, char **argv)
{
    std::string songPath;
    int part = -1;
    bool robot = false;
    for (int i = 1; i < argc; i++) {
        const std::string argument = argv[i];
        if (argument == "--auto") {
            robot = true;
        } else if (songPath.empty()) {
            songPath = argument;
        } else if (part < 0) {
            char *end = nullptr;
            const long value = std::strtol(argument.c_str(), &end, 10);
            if (*end != '\0' || value < 0 || value > 15)
                return Usage();
            part = static_cast<int>(value);
        } else {
            return Usage();
        }
    }
    if (songPath.empty())
        return Usage();
    if (!fs::exists(songPath)) {
        std::fprintf(stderr, "keyrise-play: no such file: %s\n", songPath.c_str());
        return 1;
    }

    SceneManager manager;
    if (!manager.Init("image/rune-P.ttf", 24, "image", "png", "wav", "wav")) {
        std::fprintf(stderr, "keyrise-play: %s\n", manager.GetError().c_str());
        return 1;
    }
    ConfigReader config;
    config.ReadFile("config");
    int width = 800;
    int height = 600;
    const int mode = config.GetInteger("videomode", -1);
    const std::vector<ListedMode> &sizes = VideoModeChoice::BuiltInModes();
    if (mode >= 0 && mode < static_cast<int>(sizes.size())) {
        width = sizes[mode].width;
        height = sizes[mode].height;
    } else if (config.GetInteger("width", -1) > 0 && config.GetInteger("height", -1) > 0) {
        width = config.GetInteger("width", -1);
        height = config.GetInteger("height", -1);
    }
    const unsigned int flags =
        config.GetInteger("fullscreen", 0) ? SDL_FULLSCREEN | SDL_HWSURFACE : SDL_HWSURFACE;
    if (!manager.CreateWindow(width, height, 32, flags)) {
        std::fprintf(stderr, "keyrise-play: cannot open a %dx%d window\n", width, height);
        return 1;
    }

    InitMidiLib();
    OpenMidiOut(static_cast<unsigned int>(config.GetInteger("devid", 0)));
    int result = 0;
    {
        MidiContainer song;
        song.Load(&manager, NameInData(songPath), nullptr);
        if (!song.midi) {
            std::fprintf(stderr, "keyrise-play: cannot read %s\n", songPath.c_str());
            result = 1;
        } else {
            std::map<int, int> counts;
            for (const KeyPosition &position : song.positions) {
                if (position.isNote)
                    counts[position.channel]++;
            }
            if (part < 0) {
                part = 0;
                for (const auto &entry : counts) {
                    if (entry.second > counts[part])
                        part = entry.first;
                }
            }
            std::printf("%s: part %d, %d notes\n", songPath.c_str(), part, counts[part]);

            int highScore = 0;
            int highRate = -1;
            GameSceneParameter *param = new GameSceneParameter();
            param->TakeSong(song);
            param->highScore = &highScore;
            param->highRate = &highRate;
            param->part = part;
            GameScene *game = new GameScene(&manager);
            manager.AddScene(game, param);
            manager.GetInput().Prepare();

            // The robot's presses: the lanes of every note by song position.
            std::vector<std::pair<int, int>> presses; // (time, lane)
            size_t nextPress = 0;
            Uint8 *keyState = manager.GetInput().GetKeyState();
            std::vector<int> held;
            Uint32 resultShown = 0;
            while (manager.MainIteration()) {
                GameScene *playing = FindScene<GameScene>(manager);
                if (robot) {
                    for (int key : held)
                        keyState[key] = 0;
                    held.clear();
                    if (playing && presses.empty()) {
                        for (const KeyPosition &position : playing->GetParameter()->notes) {
                            if (GameScene::IsUseData(position, part))
                                presses.push_back({position.time, playing->LaneOf(position.note)});
                        }
                    }
                    if (playing && !playing->IsLeaving()) {
                        const int now = static_cast<int>(manager.GetNowTime() - playing->startTime);
                        for (; nextPress < presses.size() && presses[nextPress].first <= now;
                             nextPress++) {
                            const int key = playing->GetKey(presses[nextPress].second).code;
                            if (playing->GetKey(presses[nextPress].second).kind == 0 && key > 0) {
                                keyState[key] = 1;
                                held.push_back(key);
                            }
                        }
                    }
                }
                if (!playing && FindScene<ScoreScene>(manager)) {
                    if (!resultShown)
                        resultShown = manager.GetNowTime();
                    if (robot && manager.GetNowTime() - resultShown > 3000)
                        break;
                }
                if (manager.GetScenes().empty() && !manager.IsChanging())
                    break;
            }
            std::printf("high score %d, high rate %d\n", highScore, highRate);
        }
    }
    CloseMidiOut();
    ReleaseMidiLib();
    return result;
}
