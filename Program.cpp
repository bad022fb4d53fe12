// Program: the entry point; sets up the manager and window from the settings and runs the game.
#include <SDL.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/ConfigReader.h"
#include "framework/MyLoadScene.h"
#include "framework/SceneManager.h"
#include "framework/VideoModeChoice.h"
#include "menus/MenuScene.h"
#include "platform/AtomicFile.h"

namespace {

// Why start-up failed, for the one line printed before exiting.
std::string startupError;

} // namespace

// Initialises the manager with the game's content folders, reads the video settings from
// "config", chooses a mode and opens the window. True when the window is open.
bool init(SceneManager *manager)
{
    if (!manager->Init("image/rune-P.ttf", 24, "image", "png", "wav", "wav")) {
        startupError = manager->GetError();
        return false;
    }
    configReader.ReadFile("config");
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

int main(int, char **)
{
    // Saves survive a file-size limit; temporaries of killed games are removed.
    PrepareSafeSaving({".", "data"});
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
