// RecordingObject: logging overrides of every framework operation, for tests.
#include "support/RecordingObject.h"

#include <utility>

#include "framework/SceneManager.h"

void CallLog::Add(const std::string &line)
{
    std::lock_guard<std::mutex> guard(lock);
    lines.push_back(line);
}

std::vector<std::string> CallLog::Lines() const
{
    std::lock_guard<std::mutex> guard(lock);
    return lines;
}

int CallLog::Count(const std::string &line) const
{
    std::lock_guard<std::mutex> guard(lock);
    int count = 0;
    for (const std::string &entry : lines) {
        count += entry == line ? 1 : 0;
    }
    return count;
}

int CallLog::Find(const std::string &line) const
{
    std::lock_guard<std::mutex> guard(lock);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == line) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CallLog::Clear()
{
    std::lock_guard<std::mutex> guard(lock);
    lines.clear();
}

RecordingObject::RecordingObject(SceneManager *manager, SceneObject *parent, std::string name,
                                 CallLog *log)
    : SceneObject(manager, parent), name(std::move(name)), log(log)
{
}

RecordingObject::~RecordingObject()
{
    log->Add(name + ":~");
}

void RecordingObject::Draw(SDL_Surface *)
{
    log->Add(name + ":Draw");
    drawTimes.push_back(manager->GetNowTime());
}

void RecordingObject::Idle(unsigned int now)
{
    log->Add(name + ":Idle");
    if (onIdle) {
        onIdle(now);
    }
}

void RecordingObject::Input(unsigned int now)
{
    log->Add(name + ":Input");
    if (onInput) {
        onInput(now);
    }
}

void RecordingObject::Event(SDL_Event *event)
{
    log->Add(name + ":Event");
    events.push_back(*event);
    if (onEvent) {
        onEvent(event);
    }
}

void RecordingObject::Init(void *data)
{
    log->Add(name + ":Init");
    initData = data;
    if (onInit) {
        onInit(data);
    }
}

void RecordingObject::Reload()
{
    log->Add(name + ":Reload");
}

void RecordingObject::OnShowEvent()
{
    log->Add(name + ":OnShowEvent");
}

RecordingLoadScene::RecordingLoadScene(SceneManager *manager, CallLog *log)
    : LoadScene(manager), log(log)
{
}

RecordingLoadScene::~RecordingLoadScene()
{
    log->Add("load:~");
}

void RecordingLoadScene::Draw(SDL_Surface *)
{
    log->Add("load:Draw");
    drawTimes.push_back(manager->GetNowTime());
}

void RecordingLoadScene::Idle(unsigned int)
{
    log->Add("load:Idle");
}

void RecordingLoadScene::Input(unsigned int)
{
    log->Add("load:Input");
}

void RecordingLoadScene::Event(SDL_Event *event)
{
    log->Add("load:Event");
    events.push_back(*event);
    if (onEvent) {
        onEvent(event);
    }
}

void RecordingLoadScene::Init(void *)
{
    log->Add("load:Init");
}

void RecordingLoadScene::Reload()
{
    log->Add("load:Reload");
}

bool RecordingLoadScene::FadeIn(unsigned int now)
{
    bool black = LoadScene::FadeIn(now);
    fadeInLevels.push_back(fadeLevel);
    return black;
}

bool RecordingLoadScene::FadeOut(unsigned int now)
{
    return LoadScene::FadeOut(now);
}
