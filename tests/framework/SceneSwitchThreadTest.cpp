// Tests of scene changes on the worker thread: order, data, showing, events and fades meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/ManagerTest.h"

namespace {

// Waits (real time, at most 5 s) until done() holds; false on time-out.
template <typename Condition> bool WaitFor(Condition done)
{
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

class SceneSwitchThreadTest : public ManagerTest
{
protected:
    RecordingLoadScene *load = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        // The loading loop sleeps 1 ms per turn; let that move the clock on.
        game.SetDelayAdvancesClock(true);
        load = new RecordingLoadScene(&M(), &log);
        ASSERT_TRUE(M().SetLoadScene(load, nullptr));
    }

    // Adds a scene and carries the change out, as the first iteration of the game does.
    RecordingObject *Start(const std::string &name)
    {
        RecordingObject *scene = NewScene(name);
        M().AddScene(scene, nullptr);
        EXPECT_TRUE(M().CheckChangeScene(game.Time()));
        return scene;
    }
};

TEST_F(SceneSwitchThreadTest, AddedSceneGetsItsDataOnTopWhileTheLoadingSceneAnimates)
{
    int record = 7;
    RecordingObject *scene = NewScene("game");
    // Init takes 100 ms of the clock; the main thread meanwhile runs only the loading scene.
    scene->onInit = [this](void *) { EXPECT_TRUE(WaitFor([this] { return game.Time() >= 100; })); };
    // The loading time does not count as elapsed: the first Input sees no time gone by.
    Uint32 firstGap = 1;
    scene->onInput = [&](unsigned int now) { firstGap = now - scene->beforeTime; };
    M().AddScene(scene, &record);
    EXPECT_TRUE(game.Iterate(game.Time()));
    EXPECT_EQ(firstGap, 0u);

    EXPECT_EQ(scene->initData, &record);
    ASSERT_EQ(M().GetScenes().size(), 1u);
    EXPECT_EQ(M().GetScenes().back(), scene);
    EXPECT_TRUE(scene->visible);
    EXPECT_EQ(log.Count("game:OnShowEvent"), 1);
    EXPECT_LT(log.Find("game:Init"), log.Find("game:OnShowEvent"));
    EXPECT_GE(scene->startTime, 100u);
    // The loading scene is drawn at least 17 ms apart until Init returned.
    ASSERT_GE(load->drawTimes.size(), 4u);
    for (size_t i = 1; i < load->drawTimes.size(); ++i) {
        EXPECT_GE(load->drawTimes[i] - load->drawTimes[i - 1], 17u);
    }
    EXPECT_FALSE(M().IsChanging());
}

TEST_F(SceneSwitchThreadTest, DeletedSceneIsDestroyedBeforeTheAddedSceneInitialises)
{
    RecordingObject *first = Start("first");
    first->onEvent = [&](SDL_Event *) {
        M().DeleteScene(first);
        M().AddScene(NewScene("second"), nullptr);
    };
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    SDL_PushEvent(&event);
    game.Iterate(500); // the scene asks for the change in this poll
    log.Clear();
    game.Iterate(501); // and it is carried out here
    std::vector<std::string> lines = log.Lines();
    int destroyed = log.Find("first:~");
    int init = log.Find("second:Init");
    ASSERT_GE(destroyed, 0);
    ASSERT_GE(init, 0);
    EXPECT_LT(destroyed, init);
    EXPECT_EQ(log.Count("second:OnShowEvent"), 1);
    ASSERT_EQ(M().GetScenes().size(), 1u);
}

TEST_F(SceneSwitchThreadTest, DeletingTheTopSceneShowsTheOneBelow)
{
    RecordingObject *below = Start("below");
    below->visible = false; // hid itself when it handed over
    RecordingObject *top = Start("top");
    log.Clear();
    M().DeleteScene(top);
    EXPECT_TRUE(M().CheckChangeScene(game.Time()));
    EXPECT_EQ(log.Count("top:~"), 1);
    EXPECT_EQ(log.Count("below:OnShowEvent"), 1);
    EXPECT_TRUE(below->visible);
    EXPECT_EQ(M().GetScenes().back(), below);
}

TEST_F(SceneSwitchThreadTest, RepeatedOrPrematureDeletesAreSafe)
{
    RecordingObject *listed = Start("listed");
    RecordingObject *stillborn = NewScene("stillborn");
    M().AddScene(stillborn, nullptr);
    M().DeleteScene(stillborn); // deleted before it was ever added
    M().DeleteScene(listed);
    M().DeleteScene(listed);
    EXPECT_TRUE(M().CheckChangeScene(game.Time()));
    EXPECT_EQ(log.Count("listed:~"), 1);
    EXPECT_EQ(log.Count("stillborn:~"), 1);
    EXPECT_EQ(log.Count("stillborn:Init"), 0);
    EXPECT_TRUE(M().GetScenes().empty());
}

TEST_F(SceneSwitchThreadTest, EventsDuringAChangeReachOnlyTheLoadingScene)
{
    RecordingObject *old = Start("old");
    std::atomic<bool> loadGotIt{false};
    load->onEvent = [&](SDL_Event *event) {
        if (event->type == SDL_USEREVENT && event->user.code == 77) {
            loadGotIt = true;
        }
    };
    RecordingObject *next = NewScene("next");
    next->onInit = [&](void *) {
        SDL_Event event{};
        event.type = SDL_USEREVENT;
        event.user.code = 77;
        SDL_PushEvent(&event);
        EXPECT_TRUE(WaitFor([&] { return loadGotIt.load(); }));
    };
    M().AddScene(next, nullptr);
    EXPECT_TRUE(game.Iterate(game.Time()));
    EXPECT_TRUE(loadGotIt);
    for (const SDL_Event &event : old->events) {
        EXPECT_FALSE(event.type == SDL_USEREVENT && event.user.code == 77);
    }
    EXPECT_TRUE(next->events.empty() || next->events[0].user.code != 77);
}

TEST_F(SceneSwitchThreadTest, WindowClosedDuringAChangeEndsTheLoopAfterIt)
{
    Start("old");
    RecordingObject *next = NewScene("next");
    next->onInit = [&](void *) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        // Return only once the loading loop has polled the close request.
        EXPECT_TRUE(WaitFor([] {
            SDL_Event peek;
            return SDL_PeepEvents(&peek, 1, SDL_PEEKEVENT, SDL_QUITMASK) == 0;
        }));
    };
    M().AddScene(next, nullptr);
    log.Clear();
    EXPECT_FALSE(game.Iterate(game.Time()));
    EXPECT_FALSE(M().IsRunning());
    // The change completed, and nothing ran after it.
    EXPECT_EQ(M().GetScenes().back(), next);
    EXPECT_EQ(log.Count("next:OnShowEvent"), 1);
    EXPECT_EQ(log.Count("next:Input"), 0);
}

TEST_F(SceneSwitchThreadTest, LoadingSceneCannotBeReplacedDuringAChange)
{
    CallLog offeredLog;
    bool accepted = true;
    bool sameAccepted = true;
    RecordingObject *next = NewScene("next");
    next->onInit = [&](void *) {
        accepted = M().SetLoadScene(new RecordingLoadScene(&M(), &offeredLog), nullptr);
        // Offering the running loading scene again must not destroy it under the main thread.
        sameAccepted = M().SetLoadScene(load, nullptr);
    };
    M().AddScene(next, nullptr);
    EXPECT_TRUE(M().CheckChangeScene(game.Time()));
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(sameAccepted);
    EXPECT_EQ(offeredLog.Count("load:~"), 1);
    EXPECT_EQ(log.Count("load:~"), 0);
    EXPECT_EQ(M().GetLoadScene(), load);
    // Outside a change the same offer is accepted and still keeps the scene.
    EXPECT_TRUE(M().SetLoadScene(load, nullptr));
    EXPECT_EQ(log.Count("load:~"), 0);
}

TEST_F(SceneSwitchThreadTest, FullScreenChangeFadesAndAKeyHeldMeanwhileIsOneMenuEvent)
{
    ASSERT_NE(M().CreateWindow(800, 600, 32, SDL_FULLSCREEN), nullptr);
    ASSERT_TRUE(M().IsFullScreen());
    RecordingObject *next = NewScene("next");
    int oks = 0;
    next->onEvent = [&oks](SDL_Event *event) {
        if (event->type == SDL_USEREVENT && event->user.code == 4) {
            ++oks;
        }
    };
    M().AddScene(next, nullptr);
    game.HoldKey(SDLK_RETURN, true); // pressed while the screen is dark
    EXPECT_TRUE(game.Iterate(game.Time()));
    // Darkening from 0 in steps of 17 ms: 15 steps to black.
    ASSERT_GE(load->fadeInLevels.size(), 15u);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(load->fadeInLevels[i], 17 * (i + 1)) << i;
    }
    // The new scene already ran while it brightened, and the fade ended at normal brightness.
    EXPECT_GT(log.Count("next:Input"), 1);
    EXPECT_GT(log.Count("next:Draw"), 0);
    EXPECT_EQ(load->fadeLevel, 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(game.Iterate(game.Time() + 1));
    }
    game.HoldKey(SDLK_RETURN, false);
    EXPECT_EQ(oks, 1) << "a key held as the scene brightens is one menu event: the brightening "
                         "loop turns every millisecond";
}

} // namespace
