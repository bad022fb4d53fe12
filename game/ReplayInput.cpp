// ReplayInput: the play scene's input taken from a recorded game instead of the devices.
#include "game/ReplayInput.h"

#include <utility>
#include <vector>

ReplayInput::ReplayInput(std::shared_ptr<const Replay> recorded) : replay(std::move(recorded)) {}

PlayTurn ReplayInput::Read(uint32_t now)
{
    PlayTurn turn;
    if (replay && next < replay->turns.size() && replay->turns[next].time <= now) {
        turn = replay->turns[next++].input;
        holding = turn;
        return turn;
    }
    turn.heldLanes = holding.heldLanes;
    turn.held = holding.held;
    return turn;
}

bool ReplayInput::HasTurnAt(uint32_t now) const
{
    return replay && next < replay->turns.size() && replay->turns[next].time <= now;
}

bool ReplayInput::EarlierTurn(uint32_t now, uint32_t &at) const
{
    if (!HasTurnAt(now))
        return false;
    const std::vector<ReplayTurn> &turns = replay->turns;
    if (turns[next].time == now && (next + 1 >= turns.size() || turns[next + 1].time > now))
        return false;
    at = turns[next].time;
    return true;
}
