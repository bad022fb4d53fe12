// BaroMeter: bar height from the value and drawing of the bar.
#include "widgets/BaroMeter.h"

#include "content/BlitLog.h"

BaroMeter::BaroMeter(SceneManager *manager, SceneObject *parent) : AnimationImage(manager, parent)
{
}

void BaroMeter::Draw(SDL_Surface *screen)
{
    if (surface == nullptr || screen == nullptr) {
        return;
    }
    SDL_Rect source = frameRect;
    SDL_Rect destination{position.x, static_cast<Sint16>(position.y + frameRect.y), 0, 0};
    BlitLog::Note(surface, source, destination);
    SDL_UpperBlit(surface, &source, screen, &destination);
}

void BaroMeter::SetValue(double newValue)
{
    const int height = sourceRect.h;
    int bar;
    if (newValue > 100) {
        value = 100;
        bar = height;
    } else if (!(newValue >= 0)) {
        // Below 0, or not a number at all: an empty bar rather than an undefined conversion.
        value = 0;
        bar = 0;
    } else {
        value = newValue;
        // Whole units only: 37.9 on 200 pixels gives 74.
        bar = height * static_cast<int>(value) / 100;
    }
    frameRect.h = static_cast<Uint16>(bar);
    frameRect.y = static_cast<Sint16>(height - bar);
}

void BaroMeter::AddValue(double delta)
{
    SetValue(value + delta);
}
