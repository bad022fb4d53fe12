// SelectorObject: choosing and playing the select sound.
#include "widgets/SelectorObject.h"

#include <SDL_mixer.h>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

SelectorObject::SelectorObject(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent)
{
}

void SelectorObject::SetSelectChunk(Mix_Chunk *chunk)
{
    selectSound = chunk;
}

void SelectorObject::SetSelectChunk(std::string name)
{
    selectSound = manager->GetContentsManager()->GetAudio(std::move(name));
}

void SelectorObject::PlaySelectSound()
{
    if (selectSound != nullptr) {
        Mix_PlayChannelTimed(-1, selectSound, 0, -1);
    }
}
