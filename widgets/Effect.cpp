// Effect: life span and drawing of a judgement effect.
#include "widgets/Effect.h"

#include "content/ImageSet.h"

Effect::Effect(SceneManager *manager, SceneObject *parent) : SceneObject(manager, parent) {}

void Effect::Idle(unsigned int now)
{
    const Uint32 elapsed = now - startTime;
    rect.y = static_cast<Sint16>(elapsed / 100);
    if (elapsed > 1000) {
        removeFlag = true;
    }
}

void Effect::Draw(SDL_Surface *screen)
{
    if (image != nullptr) {
        image->Draw(screen, &rect);
    }
}
