// SpriteImage: a scene object that draws its ImageSet at its absolute position.
#pragma once

#include "content/ImageSet.h"
#include "framework/SceneObject.h"

// Most pictures on screen are sprites. The own position's w and h play no part in drawing.
class SpriteImage : public SceneObject, public ImageSet
{
public:
    SpriteImage(SceneManager *manager, SceneObject *parent);

    // Draws the image at the absolute position (GetPosition).
    void Draw(SDL_Surface *screen) override;
};
