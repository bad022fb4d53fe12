// VideoDriverCheck: whether the game may start on the video driver SDL would draw it with.
#include "framework/VideoDriverCheck.h"

#include <SDL.h>

#include <cstdlib>

bool VideoDriverCheck::IsWindowDriver(const std::string &name)
{
    // SDL 1.2's X11 drivers, and what SDL 1.2 on SDL 2 names the desktop ones.
    return name == "x11" || name == "dga" || name == "wayland";
}

std::string VideoDriverCheck::Probe(std::string &error)
{
    // Each window driver is tried on its own: left to choose, SDL would try the terminal's
    // drivers too, and they draw on it while they start.
    for (const char *driver : {"x11", "wayland"}) {
        setenv("SDL_VIDEODRIVER", driver, 1);
        const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        char name[64] = "";
        if (!started) {
            if (error.empty()) {
                error = SDL_GetError();
            }
        } else if (SDL_VideoDriverName(name, sizeof name) == nullptr) {
            name[0] = '\0';
        }
        if (started) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        unsetenv("SDL_VIDEODRIVER");
        if (name[0] != '\0') {
            return name;
        }
    }
    return "";
}

std::string VideoDriverCheck::Refusal(const char *asked, const char *display,
                                      const std::function<std::string(std::string &)> &probe)
{
    if (asked != nullptr) {
        return "";
    }
    if (display == nullptr || display[0] == '\0') {
        return "no display found (DISPLAY is not set); start the game in a graphical session";
    }
    std::string error;
    const std::string picked = probe(error);
    if (IsWindowDriver(picked)) {
        return "";
    }
    const std::string why = picked.empty() ? error : "SDL would draw with \"" + picked + "\"";
    return "the display \"" + std::string(display) + "\" does not answer (" + why +
           "); start the game in a graphical session, or name a video driver in SDL_VIDEODRIVER";
}
