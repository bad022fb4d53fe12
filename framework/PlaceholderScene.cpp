// PlaceholderScene: drawing the dark screen with the centred caption.
#include "framework/PlaceholderScene.h"

#include "framework/SceneManager.h"

namespace {

const Uint8 kBackground[3] = {0x14, 0x18, 0x24}; ///< red, green, blue of the background
const unsigned int kCaptionColor = 0xFFFFFFFF;

} // namespace

void PlaceholderScene::Init(void *)
{
    Reload();
}

void PlaceholderScene::Reload()
{
    caption = manager->GetContentsManager()->GetString(48, "Keyrise", kCaptionColor);
}

void PlaceholderScene::Draw(SDL_Surface *screen)
{
    if (screen == nullptr) {
        return;
    }
    SDL_FillRect(screen, nullptr,
                 SDL_MapRGB(screen->format, kBackground[0], kBackground[1], kBackground[2]));
    if (caption == nullptr) {
        return;
    }
    SDL_Rect target{0, 0, 0, 0};
    target.x = static_cast<Sint16>((screen->w - caption->w) / 2);
    target.y = static_cast<Sint16>((screen->h - caption->h) / 2);
    SDL_BlitSurface(caption, nullptr, screen, &target);
}
