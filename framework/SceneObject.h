// SceneObject: node of every scene and widget tree, with the walk flags, times and change marker.
#pragma once

#include <SDL.h>

#include <list>
#include <vector>

class SceneManager;

// Every scene and widget is a SceneObject. A parent owns its children and destroys them in
// its destructor; the SceneManager walks the trees each loop iteration (input, idle, draw,
// events). Every default operation does nothing.
class SceneObject
{
public:
    // Drawn, and given Input/Event, only while set; clearing it hides the whole subtree.
    bool visible = true;
    // Idle/Input/Event reach the object only while set; drawing ignores it.
    bool active = true;
    // When set, the manager destroys the object in its next Idle walk.
    bool removeFlag = false;

    SceneManager *manager;
    SceneObject *parent;
    // Owned children; list order is construction order and the order of every walk.
    std::list<SceneObject *> children;
    std::vector<void (*)(void *)> changedCallbacks;
    std::vector<void *> changedArguments;
    // 0: not changed; otherwise the manager's phase (1 idle, 2 events, 4 input) at Changed().
    int changedPhase = 0;
    // Relative to the parent's absolute position; absolute for a scene.
    SDL_Rect position;
    Uint32 beforeTime; ///< manager clock (ms) of the last Idle walk that visited the object
    Uint32 startTime;  ///< manager clock (ms) when the object came into play

    // Appends itself to the parent's children and takes the parent's beforeTime as both times.
    SceneObject(SceneManager *manager, SceneObject *parent);
    // Destroys every child, in list order.
    virtual ~SceneObject();

    SceneObject(const SceneObject &) = delete;
    SceneObject &operator=(const SceneObject &) = delete;

    // Paints the object onto the surface.
    virtual void Draw(SDL_Surface *screen);
    // Per-iteration update; now is the manager's clock in ms.
    virtual void Idle(unsigned int now);
    // Per-iteration polling of the manager's key and joystick state.
    virtual void Input(unsigned int now);
    // One SDL event, including the manager's logical-key user events (codes 0..5).
    virtual void Event(SDL_Event *event);
    // Called once when a scene enters the scene list, with AddScene's data pointer.
    virtual void Init(void *data);
    // Re-create surfaces after a change of video mode.
    virtual void Reload();
    // Called by Show().
    virtual void OnShowEvent();

    // Absolute position: the parent's absolute x/y plus the own offset (16-bit arithmetic).
    // w and h are those of the topmost ancestor.
    void GetPosition(SDL_Rect &rect);
    // Moves the object so that its absolute x/y become the given ones; w/h untouched.
    void SetPosition(SDL_Rect &rect);
    // Copies all four fields into position.
    void SetRelativePosition(SDL_Rect &rect);
    // Sets visible and calls OnShowEvent (also when already visible).
    void Show();
    // Marks the object changed with the manager's current phase and runs the callbacks.
    void Changed();
    bool GetChanged() const { return changedPhase != 0; }
    // Registers a change callback; registrations live as long as the object.
    void PushChangedEvent(void (*callback)(void *), void *argument);
};
