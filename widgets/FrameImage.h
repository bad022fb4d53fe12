// FrameImage: a sprite showing a framed box built by the content cache.
#pragma once

#include <string>

#include "widgets/SpriteImage.h"

class FrameImage : public SpriteImage
{
public:
    FrameImage(SceneManager *manager, SceneObject *parent);

    // Shows the box of width x height pixels cut from the frame image called name.
    void LoadFrameImage(std::string name, int width, int height);
};
