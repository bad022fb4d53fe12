// TimingWindows: the judgement a hit earns for its timing error.
#pragma once

// The four judgements, from a press far off its note to one on it, and the windows between them
// (ms of the player's time, whatever the practice tempo).
class TimingWindows
{
public:
    enum Value
    {
        BAD = 0,
        OK = 1,
        GOOD = 2,
        EXCELLENT = 3,
    };
    // EXCELLENT under 10 ms of error, GOOD under 50, OK under 100, BAD beyond.
    static int For(int errorMs);
};
