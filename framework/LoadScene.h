// LoadScene: base of the scene shown while scenes change, with the full-screen gamma fades.
#pragma once

#include "framework/Scene.h"

// The manager runs the loading scene's Input, Idle and drawing on the main thread while a
// worker thread changes the scene list. The fades darken (FadeIn) and brighten (FadeOut) the
// display by one level per millisecond; the gamma changes only in full screen.
class LoadScene : public Scene
{
public:
    int fadeLevel = 0; ///< 0 normal brightness .. 255 black

    explicit LoadScene(SceneManager *manager) : Scene(manager) {}

    void Init(void *data) override;
    // Darkens by the milliseconds since beforeTime (capped at black); true once black.
    virtual bool FadeIn(unsigned int now);
    // Brightens by the milliseconds since beforeTime (down to normal); true once normal.
    virtual bool FadeOut(unsigned int now);

private:
    // Milliseconds since beforeTime, at most a whole fade (255).
    int Elapsed(unsigned int now) const;
};
