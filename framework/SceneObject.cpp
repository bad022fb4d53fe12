// SceneObject: tree links, positions, show and the change marker with its callbacks.
#include "framework/SceneObject.h"

#include "framework/SceneManager.h"

SceneObject::SceneObject(SceneManager *manager, SceneObject *parent)
    : manager(manager), parent(parent), position{0, 0, 0, 0}, beforeTime(0), startTime(0)
{
    if (parent != nullptr) {
        beforeTime = parent->beforeTime;
        startTime = parent->beforeTime;
        parent->children.push_back(this);
    }
}

SceneObject::~SceneObject()
{
    for (SceneObject *child : children) {
        delete child;
    }
    children.clear();
}

void SceneObject::Draw(SDL_Surface *) {}
void SceneObject::Idle(unsigned int) {}
void SceneObject::Input(unsigned int) {}
void SceneObject::Event(SDL_Event *) {}
void SceneObject::Init(void *) {}
void SceneObject::Reload() {}
void SceneObject::OnShowEvent() {}

void SceneObject::GetPosition(SDL_Rect &rect)
{
    if (parent == nullptr) {
        rect = position;
        return;
    }
    parent->GetPosition(rect);
    rect.x = static_cast<Sint16>(rect.x + position.x);
    rect.y = static_cast<Sint16>(rect.y + position.y);
}

void SceneObject::SetPosition(SDL_Rect &rect)
{
    SDL_Rect origin{0, 0, 0, 0};
    if (parent != nullptr) {
        parent->GetPosition(origin);
    }
    position.x = static_cast<Sint16>(rect.x - origin.x);
    position.y = static_cast<Sint16>(rect.y - origin.y);
}

void SceneObject::SetRelativePosition(SDL_Rect &rect)
{
    position = rect;
}

void SceneObject::Show()
{
    visible = true;
    OnShowEvent();
}

void SceneObject::Changed()
{
    changedPhase = manager != nullptr ? manager->GetChangedInState() : 0;
    // A callback registered during the calls is called too.
    for (size_t i = 0; i < changedCallbacks.size(); ++i) {
        changedCallbacks[i](changedArguments[i]);
    }
}

void SceneObject::PushChangedEvent(void (*callback)(void *), void *argument)
{
    changedCallbacks.push_back(callback);
    changedArguments.push_back(argument);
}
