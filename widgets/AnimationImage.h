// AnimationImage: a sprite that shows a window of a horizontal strip and slides it over time.
#pragma once

#include "widgets/SpriteImage.h"

// Every load resets the window to the whole image, so set the window width after loading.
class AnimationImage : public SpriteImage
{
public:
    // The window of surface that is drawn: x is the offset into the strip, w the window
    // width; y and h follow sourceRect unless a derived class narrows them.
    SDL_Rect frameRect{0, 0, 0, 0};
    int interval = 0; ///< ms per animation step; 0 or less: no animation

    AnimationImage(SceneManager *manager, SceneObject *parent);

    // Draws the window at the absolute position, unless it lies wholly off the target.
    void Draw(SDL_Surface *screen) override;
    // Moves the window one window width every interval ms of the manager's clock (now),
    // wrapping at the strip's width.
    void Idle(unsigned int now) override;

    // Shows another ImageSet's surface and rectangle (not through SetSurface).
    virtual void Set(ImageSet *other);
    void SetSurface(SDL_Surface *s) override;
    void LoadString(ContentsManager *contents, std::string text, unsigned int color) override;
    void LoadString(ContentsManager *contents, std::string text, unsigned int color,
                    int size) override;
    void LoadImage(ContentsManager *contents, std::string name) override;
    void LoadImage(ContentsManager *contents, std::string name, int percentX,
                   int percentY) override;

    // Window width = image width / count; count <= 0 changes nothing.
    void SetFrames(int count);
    // Window width = min(width, image width); width <= 0 changes nothing.
    void SetFramesFromWidth(int width);
    void SetInterval(int milliseconds) { interval = milliseconds; }
};
