// LaneLayout: the play field's columns, ball size, lane places and scale for one screen size.
#include "game/LaneLayout.h"

#include <algorithm>

void LaneLayout::Set(int width, int height, int lanes, bool centred)
{
    keyNum = std::max(1, lanes);
    // The 4:3 area: 640 x 480 gives 640, 1920 x 1080 gives 1440, 800 x 1000 gives 800.
    const long long area =
        std::max(1LL, std::min<long long>(width, static_cast<long long>(height) * 4 / 3));
    column = static_cast<int>(area / COLUMNS);
    ball = static_cast<int>(area * 0.9 / COLUMNS);
    scalePercent = static_cast<int>(std::max(1LL, area * 100 / BASE_WIDTH));
    if (centred) {
        // The gaps left of the first ball and right of the last one are equal (to a pixel).
        const int span = (keyNum - 1) * column + ball;
        left = (width - span) / 2;
    } else {
        left = column;
    }
}

int LaneLayout::Scaled(int pixels) const
{
    return std::max(1, static_cast<int>(static_cast<long long>(pixels) * scalePercent / 100));
}
