// VideoModeChoice: the start-up's choice of window size, colour depth and video flags.
#pragma once

#include <functional>
#include <vector>

// The video settings read from the settings file, with their defaults.
struct VideoSettings
{
    int videoMode = -1; ///< index into the listed (or built-in) sizes; negative: width x height
    int fullScreen = 0; ///< non-zero: full screen
    int width = -1;     ///< pixels, used when videoMode is negative
    int height = -1;    ///< pixels, used when videoMode is negative
    int bpp = 32;       ///< bits per pixel; below 1: the depth SDL suggests
};

// A size SDL lists for the flags (largest first).
struct ListedMode
{
    int width;
    int height;
};

// Picks the window mode from the settings, SDL's list of sizes and SDL's mode test. Kept apart
// from SDL so that the rules can be checked against any list a display might report.
class VideoModeChoice
{
public:
    bool ok = false;        ///< false: no usable mode (start-up fails)
    int width = 0;          ///< pixels
    int height = 0;         ///< pixels
    int bpp = 0;            ///< bits per pixel handed to the window
    unsigned int flags = 0; ///< SDL video flags

    // Asks whether SDL can open width x height at a depth with the flags; returns the depth it
    // suggests, 0 when it cannot.
    using ModeTest = std::function<int(int width, int height, int bpp, unsigned int flags)>;

    // modes: SDL's sizes for the flags; modesUsable false when SDL gave no list or says any size
    // goes. displayBpp: the depth of the display, asked in place of a configured depth below 1.
    static VideoModeChoice Choose(const VideoSettings &settings,
                                  const std::vector<ListedMode> &modes, bool modesUsable,
                                  const ModeTest &modeTest, int displayBpp);
    // The sizes a videomode index names when SDL lists none (any window size goes): the first
    // three as the game always had them, then the wide sizes of today's screens, so that an
    // index stored by an older version still names the same size.
    static const std::vector<ListedMode> &BuiltInModes();
    // The flags for the settings: full screen when fullScreen is non-zero, hardware surface.
    static unsigned int FlagsFor(const VideoSettings &settings);
};
