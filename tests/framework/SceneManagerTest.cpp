// Tests of the manager's tree walks, main loop cadence, loop end and window re-creation.
#include <gtest/gtest.h>

#include "framework/ManagerTest.h"

namespace {

void Push(Uint8 type, SDLKey key = SDLK_UNKNOWN, SDLMod mod = KMOD_NONE)
{
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

using SceneManagerTest = ManagerTest;

TEST_F(SceneManagerTest, WalksRespectVisibleAndActiveFlags)
{
    ASSERT_TRUE(game.Ready());
    RecordingObject *hiddenScene = Listed("hiddenScene");
    hiddenScene->visible = false;
    RecordingObject *underHiddenScene = Child(hiddenScene, "underHiddenScene");
    RecordingObject *scene = Listed("scene");
    Child(Child(scene, "passive"), "underPassive")->parent->active = false;
    Child(Child(scene, "hidden"), "underHidden")->parent->visible = false;

    Push(SDL_USEREVENT);
    game.Iterate(20); // draws: 20 ms since the last drawing at 0

    // Drawing ignores active; a hidden object hides its subtree. Input and Event skip inactive
    // and hidden subtrees. Idle reaches every visible and active object whatever its ancestors.
    const std::map<std::string, std::vector<int>> expected = {
        // Draw, Input, Event, Idle
        {"hiddenScene", {0, 0, 0, 0}}, {"underHiddenScene", {0, 0, 0, 1}}, {"scene", {1, 1, 1, 1}},
        {"passive", {1, 0, 0, 0}},     {"underPassive", {1, 0, 0, 1}},     {"hidden", {0, 0, 0, 0}},
        {"underHidden", {0, 0, 0, 1}},
    };
    const char *ops[] = {"Draw", "Input", "Event", "Idle"};
    for (const auto &entry : expected) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(log.Count(entry.first + ":" + ops[i]), entry.second[i])
                << entry.first << " " << ops[i];
        }
    }
    // beforeTime follows the walk, idled or not; the top scene comes last.
    EXPECT_EQ(hiddenScene->beforeTime, 20u);
    EXPECT_EQ(underHiddenScene->beforeTime, 20u);
    EXPECT_LT(log.Find("underHiddenScene:Idle"), log.Find("scene:Idle"));
}

TEST_F(SceneManagerTest, RemoveFlagDestroysAfterTheSubtreeWalkAndUncoversScenes)
{
    RecordingObject *below = Listed("below");
    below->visible = false;
    RecordingObject *top = Listed("top");
    RecordingObject *first = Child(top, "first");
    Child(first, "grandchild");
    Child(top, "second");
    first->onIdle = [first](unsigned int) { first->removeFlag = true; };

    M().Idle(5);
    std::vector<std::string> walk = {"top:Idle", "first:Idle",   "grandchild:Idle",
                                     "first:~",  "grandchild:~", "second:Idle"};
    EXPECT_EQ(log.Lines(), walk);
    ASSERT_EQ(top->children.size(), 1u);

    // The top scene goes; it also waits for deletion and must be destroyed only once.
    top->onIdle = [top](unsigned int) { top->removeFlag = true; };
    M().DeleteScene(top);
    M().Idle(6);
    ASSERT_EQ(M().GetScenes().size(), 1u);
    EXPECT_TRUE(below->visible);
    EXPECT_EQ(log.Count("below:OnShowEvent"), 0);
    EXPECT_FALSE(M().CheckChangeScene(7)); // nothing left to do
    EXPECT_EQ(log.Count("top:~"), 1);
}

// A scene may use what the scene below it lent it (the song selection shows the title menu's
// songs, and its cards write records into them as they go): when the game ends, every scene goes
// before the scenes below it, as when it is left by a key, and a scene still waiting to be added
// goes before all listed ones.
TEST(SceneManagerEndTest, ScenesGoNewestFirstWhenTheGameEnds)
{
    CallLog log;
    {
        HeadlessGame game;
        ASSERT_TRUE(game.Ready());
        SceneManager &m = game.Manager();
        for (const char *name : {"title", "selection", "play"}) {
            RecordingObject *scene = new RecordingObject(&m, nullptr, name, &log);
            m.GetScenes().push_back(scene);
            if (std::string(name) == "play") {
                m.DeleteScene(scene); // asked to go, not gone yet
            }
        }
        m.AddScene(new RecordingObject(&m, nullptr, "result", &log), nullptr);
    }
    const std::vector<std::string> order = {"result:~", "play:~", "selection:~", "title:~"};
    std::vector<std::string> destroyed;
    for (const std::string &line : log.Lines()) {
        if (line.size() > 2 && line.compare(line.size() - 2, 2, ":~") == 0) {
            destroyed.push_back(line);
        }
    }
    EXPECT_EQ(destroyed, order);
}

TEST_F(SceneManagerTest, ChangedPulseLastsUntilThePhaseThatClearsIt)
{
    RecordingObject *scene = Listed("scene");
    RecordingObject *inEvent = Child(scene, "inEvent");
    RecordingObject *inIdle = Child(scene, "inIdle");
    RecordingObject *inInput = Child(scene, "inInput");
    inEvent->onEvent = [&](SDL_Event *) { inEvent->Changed(); };
    inIdle->onIdle = [&](unsigned int now) {
        if (now == 1) {
            inIdle->Changed();
        }
    };
    inInput->onInput = [&](unsigned int now) {
        if (now == 1) {
            inInput->Changed();
        }
    };
    bool eventChangeSeenInIdle = false;
    scene->onIdle = [&](unsigned int) { eventChangeSeenInIdle = inEvent->GetChanged(); };

    Push(SDL_USEREVENT);
    game.Iterate(1);
    EXPECT_EQ(inEvent->changedPhase, 2);
    EXPECT_EQ(inIdle->changedPhase, 1);
    EXPECT_EQ(inInput->changedPhase, 4);
    // Next iteration: the event change holds through Input and Idle; the idle change is gone.
    M().Input(2);
    EXPECT_TRUE(inEvent->GetChanged());
    EXPECT_FALSE(inIdle->GetChanged());
    M().Idle(2);
    EXPECT_TRUE(eventChangeSeenInIdle);
    ASSERT_TRUE(M().PollEvent());
    EXPECT_FALSE(inEvent->GetChanged());
    // A change made during Input is never cleared by the manager.
    game.Iterate(3);
    EXPECT_EQ(inInput->changedPhase, 4);
}

TEST_F(SceneManagerTest, DrawsWhenIterationPlusSinceDrawingExceeds15ms)
{
    RecordingObject *scene = Listed("scene");
    // Iterations of 8 ms or more draw every time; at 34, 5 + 10 ms make exactly 15: no drawing.
    for (Uint32 t : {0, 8, 16, 24, 29, 34, 35, 40}) {
        game.Iterate(t);
    }
    EXPECT_EQ(scene->drawTimes, (std::vector<Uint32>{8, 16, 24, 40}));

    // The real loop on a fake clock: each 1 ms sleep advances the clock 2 ms.
    scene->drawTimes.clear();
    Uint32 clock = 1000;
    M().SetTimeSource([&clock]() { return clock; }, [&clock](Uint32) { clock += 2; });
    scene->onIdle = [&](unsigned int now) {
        if (now >= 60) {
            M().Quit();
        }
    };
    EXPECT_EQ(M().Main(), 0);
    EXPECT_EQ(scene->drawTimes, (std::vector<Uint32>{14, 28, 42, 56}));
}

TEST_F(SceneManagerTest, WindowCloseAndAltF4EndTheLoopButF4AloneIsAKey)
{
    RecordingObject *scene = Listed("scene");
    Push(SDL_KEYDOWN, SDLK_F4);
    EXPECT_TRUE(game.Iterate(1));
    ASSERT_EQ(scene->events.size(), 1u);
    for (int alt : {0x0100, 0x0200, 0x0101}) { // left Alt, right Alt, left Alt with Shift
        Push(SDL_KEYDOWN, SDLK_F4, static_cast<SDLMod>(alt));
        EXPECT_FALSE(M().PollEvent()) << alt;
    }
    // Events behind the close request are not dispatched.
    Push(SDL_QUIT);
    Push(SDL_KEYDOWN, SDLK_a);
    EXPECT_FALSE(game.Iterate(2));
    EXPECT_FALSE(M().IsRunning());
    EXPECT_EQ(scene->events.size(), 1u);
}

TEST_F(SceneManagerTest, LoopWithoutScenesEndsOnWindowClose)
{
    Push(SDL_QUIT);
    EXPECT_EQ(M().Main(), 0);
}

TEST_F(SceneManagerTest, NewWindowReloadsEveryObjectOnceAndTheLoadingSceneItself)
{
    RecordingObject *scene = Listed("scene");
    Child(Child(scene, "hidden"), "deep")->parent->visible = false;
    RecordingLoadScene *load = new RecordingLoadScene(&M(), &log);
    Child(load, "loadChild");
    ASSERT_TRUE(M().SetLoadScene(load, nullptr));

    ASSERT_NE(M().CreateWindow(640, 480, 32, 0), nullptr);
    for (const char *name : {"scene", "hidden", "deep", "load"}) {
        EXPECT_EQ(log.Count(std::string(name) + ":Reload"), 1) << name;
    }
    EXPECT_EQ(log.Count("loadChild:Reload"), 0);
    EXPECT_LT(log.Find("scene:Reload"), log.Find("hidden:Reload"));
    EXPECT_EQ(M().GetWidth(), 640);

    // A mode SDL refuses leaves the open window as it was.
    log.Clear();
    EXPECT_EQ(M().CreateWindow(-5, 480, 32, 0), nullptr);
    EXPECT_EQ(M().GetWidth(), 640);
    EXPECT_NE(M().GetScreen(), nullptr);
    EXPECT_TRUE(log.Lines().empty());
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
