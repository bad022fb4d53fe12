// SpriteImage: drawing an ImageSet at the object's absolute position.
#include "widgets/SpriteImage.h"

SpriteImage::SpriteImage(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent), ImageSet()
{
}

void SpriteImage::Draw(SDL_Surface *screen)
{
    SDL_Rect where;
    GetPosition(where);
    ImageSet::Draw(screen, &where);
}
