// SelectorObject: base of the input widgets; holds the sound played when the choice changes.
#pragma once

#include <string>

#include "framework/SceneObject.h"

struct Mix_Chunk;

class SelectorObject : public SceneObject
{
public:
    Mix_Chunk *selectSound = nullptr; ///< not owned: sound chunks belong to the content cache

    SelectorObject(SceneManager *manager, SceneObject *parent);

    void SetSelectChunk(Mix_Chunk *chunk);
    // The sound effect of that name from the manager's content cache.
    void SetSelectChunk(std::string name);

protected:
    // Plays the select sound once on the first free mixer channel; nothing without a sound.
    void PlaySelectSound();
};
