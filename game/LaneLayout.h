// LaneLayout: where the lanes, targets and balls of the play scene stand on a screen of any size.
#pragma once

// The play field is laid out in a 4:3 area as high as the screen (or as wide, on a screen
// narrower than 4:3): that area is cut into 13 columns, a ball is 90 % of a column, and lane i
// stands i columns right of the first. So the balls keep their size against the distance they
// travel (one screen height per second at speed 100) at every window size, and a 640 x 480
// screen looks as it always did. The lanes are centred on the screen, or (the old placement)
// start at the second column of the screen.
class LaneLayout
{
public:
    static constexpr int COLUMNS = 13;      ///< the play area's width is cut into 13 columns
    static constexpr int BASE_WIDTH = 640;  ///< px: the screen the pictures were drawn for
    static constexpr int BASE_HEIGHT = 480; ///< px

    // Lays out 'keyNum' lanes (1-12) on a width x height screen (px).
    void Set(int width, int height, int keyNum, bool centred = true);

    // px from one lane's left edge to the next.
    int GetColumn() const { return column; }
    // px: the width and height of a target and of a ball.
    int GetBallSize() const { return ball; }
    // Left edge (px) of lane 'lane': its target and its balls stand there.
    int LaneX(int lane) const { return left + lane * column; }
    // Left edge of the first lane's balls and right edge of the last one's (px).
    int GetLeft() const { return left; }
    int GetRight() const { return LaneX(keyNum - 1) + ball; }
    // Percent by which the play scene's pictures and texts, made for 640 x 480, are scaled.
    int GetScalePercent() const { return scalePercent; }
    // 'pixels' of a 640 x 480 screen on this one (at least 1).
    int Scaled(int pixels) const;

private:
    int keyNum = 4;
    int column = 49;
    int ball = 44;
    int left = 49;
    int scalePercent = 100;
};
