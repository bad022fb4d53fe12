// Effect: a short-lived object that draws a shared image for one second, then removes itself.
#pragma once

#include "framework/SceneObject.h"

class ImageSet;

class Effect : public SceneObject
{
public:
    SDL_Rect rect{0, 0, 0, 0}; ///< where the image is drawn, screen coordinates
    int extra1 = 0;            ///< free for the creator
    int extra2 = 0;            ///< free for the creator
    int kind = 0;              ///< free for the creator (the play scene keeps the judgement)
    ImageSet *image = nullptr; ///< shared image, not owned

    Effect(SceneManager *manager, SceneObject *parent);

    // y becomes the ms since creation / 100 (sinking one pixel per 100 ms); after 1000 ms the
    // effect asks to be removed.
    void Idle(unsigned int now) override;
    // Draws image at rect; nothing without an image.
    void Draw(SDL_Surface *screen) override;
};
