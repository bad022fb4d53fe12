// PlaceholderScene: a plain title screen, a dark background with the game's name centred.
#pragma once

#include "framework/Scene.h"

// Stands first in the scene list until the title menu takes its place.
class PlaceholderScene : public Scene
{
public:
    explicit PlaceholderScene(SceneManager *manager) : Scene(manager) {}

    // Fills the window dark and draws the caption at its centre.
    void Draw(SDL_Surface *screen) override;
    // Renders the caption through the content cache.
    void Init(void *data) override;
    // Renders the caption again after a change of video mode.
    void Reload() override;

private:
    SDL_Surface *caption = nullptr; ///< owned by the content cache
};
