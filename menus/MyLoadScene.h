// MyLoadScene: the game's loading scene, two balls circling the centre of the window.
#pragma once

#include "framework/LoadScene.h"

class SpriteImage;

// Shown while scenes change. The balls "ball0" and "ball1" run on opposite sides of a circle
// of a quarter of the window height, one turn about every 720 ms.
class MyLoadScene : public LoadScene
{
public:
    SpriteImage *ball0 = nullptr; ///< child, owned through the child list
    SpriteImage *ball1 = nullptr; ///< child, owned through the child list
    double angle = 0.0;           ///< radians

    explicit MyLoadScene(SceneManager *manager) : LoadScene(manager) {}

    // Draws nothing itself: the balls are drawn as children.
    void Draw(SDL_Surface *screen) override;
    // Moves the balls to the angle reached since startTime.
    void Idle(unsigned int now) override;
    // Creates the two balls (once) and places them at angle 0.
    void Init(void *data) override;
    // Loads the ball pictures again after a change of video mode.
    void Reload() override;

private:
    void LoadBalls();
    void PlaceBalls();
};
