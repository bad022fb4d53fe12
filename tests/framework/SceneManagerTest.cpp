// Tests of the manager's tree walks, main loop cadence, loop end and window re-creation.
#include <gtest/gtest.h>

#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"
#include "support/RecordingObject.h"

namespace {

SDL_Event KeyDownEvent(SDLKey key, SDLMod mod)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    return event;
}

void Push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

class SceneManagerTest : public ::testing::Test
{
protected:
    CallLog log; // outlives the game: its scenes log their destruction
    HeadlessGame game;

    SceneManager &M() { return game.Manager(); }

    // Puts a scene straight into the list, as a completed scene change would.
    RecordingObject *AddListed(const std::string &name)
    {
        RecordingObject *scene = new RecordingObject(&M(), nullptr, name, &log);
        M().GetScenes().push_back(scene);
        return scene;
    }
    RecordingObject *Child(SceneObject *parent, const std::string &name)
    {
        return new RecordingObject(&M(), parent, name, &log);
    }
};

TEST_F(SceneManagerTest, WalksRespectVisibleAndActiveFlags)
{
    ASSERT_TRUE(game.Ready());
    RecordingObject *scene = AddListed("scene");
    RecordingObject *passive = Child(scene, "passive"); // visible, not active
    passive->active = false;
    RecordingObject *underPassive = Child(passive, "underPassive");
    RecordingObject *hidden = Child(scene, "hidden");
    hidden->visible = false;
    Child(hidden, "underHidden");

    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.code = 42;
    Push(event);
    game.Iterate(20); // draws: 20 ms since the last drawing at 0

    // Drawing ignores active, but a hidden object hides its subtree.
    EXPECT_EQ(log.Count("scene:Draw"), 1);
    EXPECT_EQ(log.Count("passive:Draw"), 1);
    EXPECT_EQ(log.Count("underPassive:Draw"), 1);
    EXPECT_EQ(log.Count("hidden:Draw"), 0);
    EXPECT_EQ(log.Count("underHidden:Draw"), 0);
    // Input and Event skip inactive and hidden subtrees entirely.
    for (const char *op : {"Input", "Event"}) {
        EXPECT_EQ(log.Count(std::string("scene:") + op), 1) << op;
        EXPECT_EQ(log.Count(std::string("passive:") + op), 0) << op;
        EXPECT_EQ(log.Count(std::string("underPassive:") + op), 0) << op;
        EXPECT_EQ(log.Count(std::string("hidden:") + op), 0) << op;
        EXPECT_EQ(log.Count(std::string("underHidden:") + op), 0) << op;
    }
    // Idle reaches every visible and active object, whatever its ancestors' flags.
    EXPECT_EQ(log.Count("scene:Idle"), 1);
    EXPECT_EQ(log.Count("passive:Idle"), 0);
    EXPECT_EQ(log.Count("underPassive:Idle"), 1);
    EXPECT_EQ(log.Count("hidden:Idle"), 0);
    EXPECT_EQ(log.Count("underHidden:Idle"), 1);
    // Every object's beforeTime follows the walk, idled or not.
    EXPECT_EQ(passive->beforeTime, 20u);
    EXPECT_EQ(underPassive->beforeTime, 20u);
    EXPECT_EQ(hidden->beforeTime, 20u);
    EXPECT_EQ(hidden->children.front()->beforeTime, 20u);
}

TEST_F(SceneManagerTest, HiddenSceneIsIdledButNotDrawnOrGivenInput)
{
    RecordingObject *below = AddListed("below");
    below->visible = false;
    RecordingObject *widget = Child(below, "widget");
    AddListed("top");
    game.Iterate(20);
    EXPECT_EQ(log.Count("below:Draw"), 0);
    EXPECT_EQ(log.Count("widget:Draw"), 0);
    EXPECT_EQ(log.Count("below:Input"), 0);
    EXPECT_EQ(log.Count("widget:Input"), 0);
    EXPECT_EQ(log.Count("below:Idle"), 0);
    EXPECT_EQ(log.Count("widget:Idle"), 1);
    EXPECT_EQ(widget->beforeTime, 20u);
    // Walk order is list order: the top scene is drawn last.
    EXPECT_LT(log.Find("widget:Idle"), log.Find("top:Idle"));
}

TEST_F(SceneManagerTest, RemoveFlagDestroysAfterSubtreeWalkAndKeepsSiblings)
{
    RecordingObject *scene = AddListed("scene");
    RecordingObject *first = Child(scene, "first");
    Child(first, "grandchild");
    Child(scene, "second");
    first->onIdle = [first](unsigned int) { first->removeFlag = true; };

    M().Idle(5);
    std::vector<std::string> lines = log.Lines();
    std::vector<std::string> expected = {"scene:Idle", "first:Idle",   "grandchild:Idle",
                                         "first:~",    "grandchild:~", "second:Idle"};
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(scene->children.size(), 1u);
    EXPECT_EQ(static_cast<RecordingObject *>(scene->children.front())->name, "second");
}

TEST_F(SceneManagerTest, RemovedTopSceneUncoversTheOneBelow)
{
    RecordingObject *below = AddListed("below");
    below->visible = false;
    RecordingObject *top = AddListed("top");
    top->onIdle = [top](unsigned int) { top->removeFlag = true; };
    // The same scene may also wait for deletion; it must be destroyed only once.
    M().DeleteScene(top);

    M().Idle(1);
    ASSERT_EQ(M().GetScenes().size(), 1u);
    EXPECT_EQ(M().GetScenes().back(), below);
    EXPECT_TRUE(below->visible);
    EXPECT_EQ(log.Count("below:OnShowEvent"), 0);
    EXPECT_EQ(log.Count("top:~"), 1);
    EXPECT_FALSE(M().CheckChangeScene(2)); // nothing left to delete
    EXPECT_EQ(log.Count("top:~"), 1);
}

TEST_F(SceneManagerTest, ChangedPulseLastsUntilThePhaseThatClearsIt)
{
    RecordingObject *scene = AddListed("scene");
    RecordingObject *inEvent = Child(scene, "inEvent");
    RecordingObject *inIdle = Child(scene, "inIdle");
    RecordingObject *inInput = Child(scene, "inInput");
    bool fired = false;
    inEvent->onEvent = [&](SDL_Event *) {
        if (!fired) {
            inEvent->Changed();
            fired = true;
        }
    };
    int idles = 0;
    inIdle->onIdle = [&](unsigned int) {
        if (idles++ == 0) {
            inIdle->Changed();
        }
    };
    int inputs = 0;
    inInput->onInput = [&](unsigned int) {
        if (inputs++ == 0) {
            inInput->Changed();
        }
    };
    bool eventChangeSeenInIdle = false;
    scene->onIdle = [&](unsigned int) { eventChangeSeenInIdle = inEvent->GetChanged(); };

    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.code = 99;
    Push(event);
    game.Iterate(1);
    EXPECT_EQ(inEvent->changedPhase, 2);
    EXPECT_EQ(inIdle->changedPhase, 1); // still set: no Input phase since
    EXPECT_EQ(inInput->changedPhase, 4);

    // Next iteration: the event change holds through Input and Idle, the idle change is gone.
    M().Input(2);
    EXPECT_TRUE(inEvent->GetChanged());
    EXPECT_FALSE(inIdle->GetChanged());
    M().Idle(2);
    EXPECT_TRUE(eventChangeSeenInIdle);
    M().CopyKeyState();
    ASSERT_TRUE(M().PollEvent());
    EXPECT_FALSE(inEvent->GetChanged());
    // A change made during Input is never cleared by the manager.
    game.Iterate(3);
    game.Iterate(4);
    EXPECT_EQ(inInput->changedPhase, 4);
}

TEST_F(SceneManagerTest, DrawsWhenIterationPlusSinceDrawingExceeds15ms)
{
    RecordingObject *scene = AddListed("scene");
    // The real loop on a fake clock: each 1 ms sleep advances the clock 2 ms.
    Uint32 clock = 1000;
    M().SetTimeSource([&clock]() { return clock; }, [&clock](Uint32) { clock += 2; });
    scene->onIdle = [&](unsigned int now) {
        if (now >= 60) {
            M().Quit();
        }
    };
    EXPECT_EQ(M().Main(), 0);
    std::vector<Uint32> expected = {14, 28, 42, 56};
    EXPECT_EQ(scene->drawTimes, expected);
}

TEST_F(SceneManagerTest, DrawsEveryIterationWhenIterationsAreLong)
{
    RecordingObject *scene = AddListed("scene");
    for (Uint32 t = 0; t <= 40; t += 8) {
        game.Iterate(t);
    }
    std::vector<Uint32> expected = {8, 16, 24, 32, 40};
    EXPECT_EQ(scene->drawTimes, expected);
}

TEST_F(SceneManagerTest, WindowCloseAndAltF4EndTheLoopButF4AloneIsAKey)
{
    RecordingObject *scene = AddListed("scene");
    Push(KeyDownEvent(SDLK_F4, KMOD_NONE));
    EXPECT_TRUE(game.Iterate(1));
    ASSERT_EQ(scene->events.size(), 1u);
    EXPECT_EQ(scene->events[0].key.keysym.sym, SDLK_F4);

    for (SDLMod alt : {KMOD_LALT, KMOD_RALT, static_cast<SDLMod>(KMOD_LALT | KMOD_LSHIFT)}) {
        Push(KeyDownEvent(SDLK_F4, alt));
        EXPECT_FALSE(M().PollEvent()) << alt;
    }
    EXPECT_EQ(scene->events.size(), 1u);

    // Events behind the close request are not dispatched.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    Push(KeyDownEvent(SDLK_a, KMOD_NONE));
    EXPECT_FALSE(game.Iterate(2));
    EXPECT_FALSE(M().IsRunning());
    EXPECT_EQ(scene->events.size(), 1u);
}

TEST_F(SceneManagerTest, EmptyLoopEndsOnWindowCloseWithZero)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    EXPECT_EQ(M().Main(), 0);
    EXPECT_FALSE(M().IsRunning());
}

TEST_F(SceneManagerTest, NewWindowReloadsEveryObjectOnceAndTheLoadingSceneItself)
{
    RecordingObject *scene = AddListed("scene");
    RecordingObject *hidden = Child(scene, "hidden");
    hidden->visible = false;
    Child(hidden, "deep");
    RecordingLoadScene *load = new RecordingLoadScene(&M(), &log);
    new RecordingObject(&M(), load, "loadChild", &log);
    ASSERT_TRUE(M().SetLoadScene(load, nullptr));

    ASSERT_NE(M().CreateWindow(640, 480, 32, 0), nullptr);
    EXPECT_EQ(log.Count("scene:Reload"), 1);
    EXPECT_EQ(log.Count("hidden:Reload"), 1);
    EXPECT_EQ(log.Count("deep:Reload"), 1);
    EXPECT_EQ(log.Count("load:Reload"), 1);
    EXPECT_EQ(log.Count("loadChild:Reload"), 0);
    EXPECT_LT(log.Find("scene:Reload"), log.Find("hidden:Reload"));
    EXPECT_EQ(M().GetWidth(), 640);
    EXPECT_EQ(M().GetHeight(), 480);
    EXPECT_FALSE(M().IsFullScreen());

    // A mode SDL refuses leaves the open window as it was.
    log.Clear();
    EXPECT_EQ(M().CreateWindow(-5, 480, 32, 0), nullptr);
    EXPECT_EQ(M().GetWidth(), 640);
    EXPECT_NE(M().GetScreen(), nullptr);
    EXPECT_EQ(log.Count("scene:Reload"), 0);
}

TEST(SceneManagerLifetime, DestructorDestroysEveryWaitingSceneOnce)
{
    CallLog log;
    {
        HeadlessGame game;
        SceneManager &m = game.Manager();
        RecordingObject *listed = new RecordingObject(&m, nullptr, "listed", &log);
        m.GetScenes().push_back(listed);
        m.DeleteScene(listed);
        m.DeleteScene(listed);
        m.AddScene(new RecordingObject(&m, nullptr, "waiting", &log), nullptr);
        m.SetLoadScene(new RecordingLoadScene(&m, &log), nullptr);
    }
    EXPECT_EQ(log.Count("listed:~"), 1);
    EXPECT_EQ(log.Count("waiting:~"), 1);
    EXPECT_EQ(log.Count("waiting:Init"), 0);
    EXPECT_EQ(log.Count("load:~"), 1);
}

} // namespace
