// MainLoop: the scene manager's loop, one iteration about every millisecond, and when it draws.
#include "framework/MainLoop.h"

#include "framework/SceneManager.h"

namespace {
const Uint32 kDrawInterval = MainLoop::DRAW_INTERVAL;
} // namespace

int MainLoop::Run()
{
    manager.input.Prepare();
    manager.startTicks = manager.Ticks();
    lastDrawTime = 0;
    lastIterationTime = 0;
    while (manager.running) {
        if (!Iterate()) {
            break;
        }
    }
    manager.input.DropKeyCopy();
    return 0;
}

bool MainLoop::Iterate()
{
    Uint32 now = manager.GetNowTime();
    if (manager.CheckChangeScene(now)) {
        if (manager.quitPending) {
            // Closed while the scenes changed: end now that the change is complete.
            manager.running = false;
            return false;
        }
        // The time spent loading must not count as elapsed in the next Idle.
        now = manager.GetNowTime();
        manager.SetBeforeTimes(now);
    }
    manager.Input(now);
    manager.Idle(now);
    if ((now - lastIterationTime) + (now - lastDrawTime) > kDrawInterval) {
        manager.Draw(manager.screen);
        lastDrawTime = now;
    }
    manager.Delay(1);
    manager.input.CopyKeyState();
    if (!manager.PollEvent()) {
        manager.running = false;
        return false;
    }
    lastIterationTime = now;
    return manager.running;
}
