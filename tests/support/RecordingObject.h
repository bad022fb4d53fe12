// RecordingObject: a scene object for tests that logs every call the framework makes on it.
#pragma once

#include <SDL.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/LoadScene.h"
#include "framework/SceneObject.h"

// A log of "name:Operation" lines shared by several objects; safe to write from the
// scene-change worker while the test thread reads it.
class CallLog
{
public:
    void Add(const std::string &line);
    std::vector<std::string> Lines() const;
    // How many lines equal line.
    int Count(const std::string &line) const;
    // Index of the first line equal to line, -1 when absent.
    int Find(const std::string &line) const;
    void Clear();

private:
    mutable std::mutex lock;
    std::vector<std::string> lines;
};

// Logs Draw, Idle, Input, Event, Init, Reload, OnShowEvent and its destruction as
// "<name>:<Op>". Hooks, when set, run after the line is logged. A null parent makes it a scene.
class RecordingObject : public SceneObject
{
public:
    RecordingObject(SceneManager *manager, SceneObject *parent, std::string name, CallLog *log);
    ~RecordingObject() override;

    void Draw(SDL_Surface *screen) override;
    void Idle(unsigned int now) override;
    void Input(unsigned int now) override;
    void Event(SDL_Event *event) override;
    void Init(void *data) override;
    void Reload() override;
    void OnShowEvent() override;

    std::string name;
    CallLog *log;
    void *initData = nullptr;      ///< the pointer the last Init received
    std::vector<Uint32> drawTimes; ///< manager clock (ms) at each Draw
    std::vector<SDL_Event> events; ///< every event received
    std::function<void(unsigned int)> onIdle;
    std::function<void(unsigned int)> onInput;
    std::function<void(SDL_Event *)> onEvent;
    std::function<void(void *)> onInit;
};

// A loading scene that logs like RecordingObject and records each fade step's level.
class RecordingLoadScene : public LoadScene
{
public:
    RecordingLoadScene(SceneManager *manager, CallLog *log);
    ~RecordingLoadScene() override;

    void Draw(SDL_Surface *screen) override;
    void Idle(unsigned int now) override;
    void Input(unsigned int now) override;
    void Event(SDL_Event *event) override;
    void Init(void *data) override;
    void Reload() override;
    bool FadeIn(unsigned int now) override;
    bool FadeOut(unsigned int now) override;

    CallLog *log;
    std::vector<int> fadeInLevels; ///< fadeLevel after each FadeIn
    std::vector<Uint32> drawTimes; ///< manager clock (ms) at each Draw
    std::vector<SDL_Event> events; ///< every event received
    std::function<void(SDL_Event *)> onEvent;
};
