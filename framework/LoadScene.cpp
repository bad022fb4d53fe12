// LoadScene: the fade steps of the loading scene.
#include "framework/LoadScene.h"

#include "framework/SceneManager.h"

void LoadScene::Init(void *) {}

int LoadScene::Elapsed(unsigned int now) const
{
    Uint32 elapsed = now - beforeTime;
    // A clock behind beforeTime would wrap to a huge step; treat it as none.
    if (static_cast<Sint32>(elapsed) < 0) {
        return 0;
    }
    return elapsed > 255 ? 255 : static_cast<int>(elapsed);
}

bool LoadScene::FadeIn(unsigned int now)
{
    fadeLevel += Elapsed(now);
    if (fadeLevel > 255) {
        fadeLevel = 255;
    }
    manager->SetLight(255 - fadeLevel, 255 - fadeLevel, 255 - fadeLevel);
    return fadeLevel == 255;
}

bool LoadScene::FadeOut(unsigned int now)
{
    fadeLevel -= Elapsed(now);
    if (fadeLevel < 0) {
        fadeLevel = 0;
    }
    manager->SetLight(255 - fadeLevel, 255 - fadeLevel, 255 - fadeLevel);
    return fadeLevel == 0;
}
