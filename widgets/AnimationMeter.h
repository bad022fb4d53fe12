// AnimationMeter: a bar gauge that glides to a target value and carries a caption under it.
#pragma once

#include <string>

#include "widgets/BaroMeter.h"

class SpriteImage;

// Moves at a constant speed and lands exactly on the target. Its Idle replaces the window
// sliding of AnimationImage.
class AnimationMeter : public BaroMeter
{
public:
    double target = 0;       ///< value the meter glides to, 0..100
    double speed = 1.0;      ///< value units per ms
    SpriteImage *caption;    ///< child sprite under the meter; owned through the tree
    std::string captionText; ///< last caption text

    // Starts at value 0; its times start at the manager's clock.
    AnimationMeter(SceneManager *manager, SceneObject *parent);

    // Moves value towards target by (now - beforeTime) x speed, arriving exactly.
    void Idle(unsigned int now) override;

    // Clamps to 0..100; value is left for Idle to move.
    void SetTargetValue(double newTarget);
    // Stores the absolute value.
    void SetSpeed(double newSpeed);
    // Renders the caption and centres it directly under the meter's whole image.
    void SetCaption(std::string text, unsigned int color, int size);
    // Larger of image width and caption width (pixels).
    int GetWidth();
    // Larger of image height and caption height (pixels).
    int GetHeight();
};
