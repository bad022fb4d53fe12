// VideoDriverCheckTest: the game starts only on a driver that opens a window, or the player's.
#include <gtest/gtest.h>

#include <string>

#include "framework/VideoDriverCheck.h"

// The player's SDL_VIDEODRIVER wins over everything; no DISPLAY is said without starting SDL;
// otherwise only a window driver starts the game, and a refusal is one line naming the display
// and what SDL would have drawn with (or why nothing started).
TEST(VideoDriverCheck, OnlyAWindowDriverOrThePlayersOwnStartsTheGame)
{
    int probes = 0;
    std::string picked, error;
    const auto probe = [&](std::string &why) {
        probes++;
        why = error;
        return picked;
    };
    picked = "caca";
    EXPECT_EQ(VideoDriverCheck::Refusal("caca", ":99", probe), "");
    EXPECT_EQ(VideoDriverCheck::Refusal("", nullptr, probe), "");
    for (const char *display : {static_cast<const char *>(nullptr), ""}) {
        const std::string said = VideoDriverCheck::Refusal(nullptr, display, probe);
        EXPECT_NE(said.find("no display found"), std::string::npos) << said;
    }
    EXPECT_EQ(probes, 0);

    for (const char *window : {"x11", "dga", "wayland"}) {
        picked = window;
        EXPECT_EQ(VideoDriverCheck::Refusal(nullptr, ":0", probe), "") << window;
    }
    for (const char *text : {"caca", "aalib", "fbcon", "svgalib", "dummy", "X11"}) {
        picked = text;
        const std::string said = VideoDriverCheck::Refusal(nullptr, "localhost:10.0", probe);
        EXPECT_NE(said.find("the display \"localhost:10.0\" does not answer (SDL would draw "
                            "with \"" +
                            picked + "\")"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find('\n'), std::string::npos);
    }
    picked = "";
    error = "No available video device";
    EXPECT_NE(VideoDriverCheck::Refusal(nullptr, ":99", probe)
                  .find("\":99\" does not answer (No available video device)"),
              std::string::npos);
    EXPECT_EQ(probes, 10);
}
