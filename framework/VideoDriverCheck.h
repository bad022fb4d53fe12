// VideoDriverCheck: whether the game may start on the video driver SDL would draw it with.
#pragma once

#include <functional>
#include <string>

// Where the display does not answer (no X server at DISPLAY, a stale DISPLAY after ssh or in
// tmux) SDL falls back to a driver that draws in the terminal (caca, aalib) or on the console
// (fbcon, svgalib): the game would take over the terminal until killed. It starts only on a
// driver that opens a window, unless the player named one in SDL_VIDEODRIVER.
class VideoDriverCheck
{
public:
    // True for a driver that opens a window on the player's desktop.
    static bool IsWindowDriver(const std::string &name);
    // The first window driver whose video starts now (stopped again at once), SDL_VIDEODRIVER
    // unset again; empty, with 'error' set, when none starts.
    static std::string Probe(std::string &error);
    // Why the game does not start, as one line; empty when it may. 'asked' is SDL_VIDEODRIVER
    // and 'display' DISPLAY (null when unset); 'probe' gives the driver SDL picks, and is
    // asked only when the player named no driver and DISPLAY names one.
    static std::string Refusal(const char *asked, const char *display,
                               const std::function<std::string(std::string &error)> &probe);
};
