// BaroMeter: a vertical bar gauge for 0..100, drawn as the bottom part of its image.
#pragma once

#include "widgets/AnimationImage.h"

// The bar is the animation window: height = image height x value / 100, top = the rest, so
// it grows upwards from the image's bottom edge. The window only changes on SetValue or
// AddValue, so call one of them right after loading the image.
class BaroMeter : public AnimationImage
{
public:
    double value = 100; ///< shown value, 0..100 after SetValue/AddValue

    BaroMeter(SceneManager *manager, SceneObject *parent);

    // Draws the bar at the own position field (not the absolute one) moved down to its top.
    void Draw(SDL_Surface *screen) override;

    // Clamps to 0..100 (not a number counts as 0), stores it and recomputes the bar.
    virtual void SetValue(double newValue);
    // SetValue(value + delta).
    virtual void AddValue(double delta);
    double GetValue() const { return value; }
};
