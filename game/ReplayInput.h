// ReplayInput: the play scene's input taken from a recorded game instead of the devices.
#pragma once

#include <cstddef>
#include <memory>

#include "game/PlayInput.h"
#include "game/Replay.h"

// Gives each recorded turn at its clock; a turn between recorded ones presses nothing and
// holds what the last recorded one held. Turns recorded at one clock value come one per Read.
class ReplayInput : public PlayInput
{
public:
    explicit ReplayInput(std::shared_ptr<const Replay> replay);
    PlayTurn Read(uint32_t now) override;
    // True when another recorded turn is due at 'now' (two turns came in one ms): the driver
    // runs one more turn at the same clock.
    bool HasTurnAt(uint32_t now) const;
    // True with its clock 'at' when the next recorded turn is due by 'now' but is not the turn
    // of 'now' itself: it was recorded before 'now', or another recorded turn follows it by
    // 'now'. A frame that came late plays each of these at its own clock before its own turn,
    // which is the last recorded turn at 'now' or, without one, a turn that presses nothing.
    bool EarlierTurn(uint32_t now, uint32_t &at) const;

private:
    std::shared_ptr<const Replay> replay;
    size_t next = 0;  ///< the first recorded turn not given yet
    PlayTurn holding; ///< what the last given turn held
};
