// RateImage: a sprite showing one of the eleven rate letters ("G" to "SSS") or a dash.
#pragma once

#include "widgets/SpriteImage.h"

// Every rate is drawn centred on one vertical axis, width / 2 to the right of the position.
class RateImage : public SpriteImage
{
public:
    ImageSet rates[11];   ///< "G" (0) .. "SSS" (10), blue to red
    ImageSet other;       ///< the white dash shown for any other index
    int width = 0;        ///< widest of the twelve texts (pixels)
    int height = 0;       ///< tallest of the twelve texts (pixels)
    bool rateSet = false; ///< SetRate was called
    int shownRate = 0;    ///< index last given to SetRate

    // Renders the twelve texts at four times the default font size; shows nothing yet.
    RateImage(SceneManager *manager, SceneObject *parent);

    // Shows rate index 0..10, or the dash for any other index.
    void SetRate(int index);
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    // Draws like a sprite with x moved right by (width - shown width) / 2.
    void Draw(SDL_Surface *screen) override;
    // A change of video mode frees every rendered text: render the twelve again and show
    // the same rate.
    void Reload() override;

private:
    void RenderTexts();
};
