// Tests of the start-up's choice of window mode against made-up display mode lists.
#include <gtest/gtest.h>

#include <SDL.h>

#include "framework/VideoModeChoice.h"

namespace {

struct Case
{
    const char *what;
    VideoSettings settings;
    bool listed;            // the display lists {1280 x 1024, 1024 x 768} (else: any size, no list)
    bool listOnly;          // and accepts only those sizes
    int width, height, bpp; // expected; width 0: start-up fails
};

// Display test: depths 8..32 and positive sizes; suggests 16 bits.
int AskedBpp = 0;
int FakeModeOK(const std::vector<ListedMode> &modes, bool listOnly, int w, int h, int bpp)
{
    AskedBpp = bpp;
    if (bpp < 8 || bpp > 32 || w <= 0 || h <= 0) {
        return 0;
    }
    for (const ListedMode &m : modes) {
        if (m.width == w && m.height == h) {
            return 16;
        }
    }
    return listOnly ? 0 : 16;
}

TEST(VideoModeChoiceTest, SettingsListsAndFallbacks)
{
    // videoMode, fullScreen, width, height, bpp
    const Case cases[] = {
        {"no config, any size", {-1, 0, -1, -1, 32}, false, false, 800, 600, 32},
        {"configured size", {-1, 0, 1000, 700, 24}, false, false, 1000, 700, 24},
        {"only fullscreen 1", {-1, 1, -1, -1, 32}, true, true, 1280, 1024, 32},
        {"fullscreen 2 counts", {-1, 2, -1, -1, 32}, true, true, 1280, 1024, 32},
        {"unlisted size", {-1, 1, 1000, 700, 32}, true, true, 1280, 1024, 32},
        {"index 0, no list", {0, 0, -1, -1, 32}, false, false, 1024, 720, 32},
        {"index 2, no list", {2, 0, 5, 5, 32}, false, false, 640, 480, 32},
        {"index 1 of the list", {1, 1, -1, -1, 32}, true, true, 1024, 768, 32},
        {"index past the list", {2, 1, -1, -1, 32}, true, false, 800, 600, 32},
        {"wide sizes after the old three", {3, 0, -1, -1, 32}, false, false, 1280, 720, 32},
        {"full HD window", {5, 0, -1, -1, 32}, false, false, 1920, 1080, 32},
        {"index past the table", {6, 0, -1, -1, 32}, false, false, 800, 600, 32},
        {"bpp 0 takes the suggestion", {-1, 0, 640, 480, 0}, false, false, 640, 480, 16},
        {"depth nobody offers", {-1, 0, 640, 480, 99}, false, false, 0, 0, 0},
        // Refused by the game itself, whatever a given SDL build would answer.
        {"depth between the real ones", {-1, 0, 640, 480, 20}, false, false, 0, 0, 0},
        {"15 bits is a real depth", {-1, 0, 640, 480, 15}, false, false, 640, 480, 15},
        {"fallback not listed", {5, 1, -1, -1, 32}, true, true, 0, 0, 0},
    };
    for (const Case &c : cases) {
        std::vector<ListedMode> modes;
        if (c.listed) {
            modes = {{1280, 1024}, {1024, 768}};
        }
        bool listOnly = c.listOnly;
        VideoModeChoice choice = VideoModeChoice::Choose(
            c.settings, modes, c.listed,
            [&modes, listOnly](int w, int h, int bpp, unsigned int) {
                return FakeModeOK(modes, listOnly, w, h, bpp);
            },
            24);
        EXPECT_EQ(choice.ok, c.width != 0) << c.what;
        if (c.width == 0) {
            continue;
        }
        EXPECT_EQ(choice.width, c.width) << c.what;
        EXPECT_EQ(choice.height, c.height) << c.what;
        EXPECT_EQ(choice.bpp, c.bpp) << c.what;
        unsigned int flags = c.settings.fullScreen != 0 ? (SDL_FULLSCREEN | SDL_HWSURFACE)
                                                        : static_cast<unsigned>(SDL_HWSURFACE);
        EXPECT_EQ(choice.flags, flags) << c.what;
        // A configured depth below 1 is asked as the display's own depth, never as 0.
        EXPECT_EQ(AskedBpp, c.settings.bpp >= 1 ? c.settings.bpp : 24) << c.what;
    }
}

} // namespace
