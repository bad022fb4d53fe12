// PlayInput: where the play scene gets each turn's input: the devices, or a replay.
#pragma once

#include <cstdint>

#include "game/PlayTurn.h"

// The play scene reads every turn through one of these, so that a live game and its replay
// take the same path through the judging.
class PlayInput
{
public:
    virtual ~PlayInput() = default;
    // The input of the turn at clock 'now' (ms since the play scene was shown). Called once at
    // the start of every turn.
    virtual PlayTurn Read(uint32_t now) = 0;
};
