// MainLoop: the scene manager's loop, one iteration about every millisecond, and when it draws.
#pragma once

#include <SDL.h>

class SceneManager;

// One iteration on the main thread: pending scene change (the time it took is not counted as
// elapsed), Input, Idle, a drawing when due, a 1 ms sleep, the key state copied, the event poll.
// It draws when the time since the last drawing plus the length of the last iteration exceeds
// DRAW_INTERVAL ms: with 1 ms iterations every 15 ms, with 8 ms or more after every iteration.
class MainLoop
{
public:
    static constexpr Uint32 DRAW_INTERVAL = 15; ///< ms

    explicit MainLoop(SceneManager &manager) : manager(manager) {}

    // Runs until Quit(), a window close or Alt+F4: takes the key state, starts the manager's
    // clock and iterates. Returns 0.
    int Run();
    // One iteration at the manager's clock; false (and the manager stopped) when the loop must
    // end, also for a close request seen during a scene change.
    bool Iterate();

private:
    SceneManager &manager;
    Uint32 lastDrawTime = 0;      ///< manager clock (ms) of the last drawing
    Uint32 lastIterationTime = 0; ///< manager clock (ms) at which the last iteration began
};
