// VideoModeChoice: the rules that turn the video settings into a window mode.
#include "framework/VideoModeChoice.h"

#include <SDL.h>

namespace {

// Used when nothing else fits: a configured index beyond its list, a rejected size.
const ListedMode kFallbackMode = {800, 600};

} // namespace

const std::vector<ListedMode> &VideoModeChoice::BuiltInModes()
{
    static const std::vector<ListedMode> modes = {{1024, 720}, {800, 600},  {640, 480},
                                                  {1280, 720}, {1600, 900}, {1920, 1080}};
    return modes;
}

unsigned int VideoModeChoice::FlagsFor(const VideoSettings &settings)
{
    return settings.fullScreen != 0 ? (SDL_FULLSCREEN | SDL_HWSURFACE) : SDL_HWSURFACE;
}

VideoModeChoice VideoModeChoice::Choose(const VideoSettings &settings,
                                        const std::vector<ListedMode> &modes, bool modesUsable,
                                        const ModeTest &modeTest, int displayBpp)
{
    VideoModeChoice choice;
    choice.flags = FlagsFor(settings);
    // Only these depths (bits per pixel) make a screen; SDL builds differ in how they answer
    // others (SDL 1.2 finds no mode, SDL 1.2 on SDL 2 fails to open the window), so the game
    // refuses them itself and says so the same way everywhere.
    if (settings.bpp >= 1 && settings.bpp != 8 && settings.bpp != 15 && settings.bpp != 16 &&
        settings.bpp != 24 && settings.bpp != 32) {
        return choice;
    }
    // SDL answers no depth question below 8 bits; "suggest a depth" asks with the display's.
    int askBpp = settings.bpp >= 1 ? settings.bpp : (displayBpp >= 8 ? displayBpp : 32);
    bool listed = modesUsable && !modes.empty();

    ListedMode size = kFallbackMode;
    if (settings.videoMode >= 0) {
        if (listed) {
            if (settings.videoMode < static_cast<int>(modes.size())) {
                size = modes[settings.videoMode];
            }
        } else if (settings.videoMode < static_cast<int>(BuiltInModes().size())) {
            size = BuiltInModes()[settings.videoMode];
        }
    } else {
        size = {settings.width, settings.height};
        bool accepted = size.width > 0 && size.height > 0 &&
                        modeTest(size.width, size.height, askBpp, choice.flags) != 0;
        if (!accepted) {
            size = listed ? modes.front() : kFallbackMode;
        }
    }

    int suggested = modeTest(size.width, size.height, askBpp, choice.flags);
    if (suggested == 0) {
        return choice;
    }
    choice.width = size.width;
    choice.height = size.height;
    choice.bpp = settings.bpp < 1 ? suggested : settings.bpp;
    choice.ok = true;
    return choice;
}
