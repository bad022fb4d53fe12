// FrameImage: loads a framed box from the manager's content cache.
#include "widgets/FrameImage.h"

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

FrameImage::FrameImage(SceneManager *manager, SceneObject *parent) : SpriteImage(manager, parent) {}

void FrameImage::LoadFrameImage(std::string name, int width, int height)
{
    SetSurface(manager->GetContentsManager()->GetFrame(std::move(name), width, height));
}
