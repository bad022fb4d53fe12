// AnimationImage: window arithmetic, sliding and clipped drawing of an animation strip.
#include "widgets/AnimationImage.h"

#include <algorithm>
#include <cstdint>

#include "content/BlitLog.h"

AnimationImage::AnimationImage(SceneManager *manager, SceneObject *parent)
    : SpriteImage(manager, parent)
{
}

void AnimationImage::Draw(SDL_Surface *screen)
{
    if (surface == nullptr || screen == nullptr) {
        return;
    }
    SDL_Rect where;
    GetPosition(where);
    // Skip the blit for a window that lies wholly outside the target.
    if (where.x + frameRect.w < 1 || where.x >= screen->w || where.y + frameRect.h <= 0 ||
        where.y >= screen->h) {
        return;
    }
    SDL_Rect source = frameRect;
    SDL_Rect destination{where.x, where.y, 0, 0};
    BlitLog::Note(surface, source, destination);
    SDL_UpperBlit(surface, &source, screen, &destination);
}

void AnimationImage::Idle(unsigned int now)
{
    if (interval <= 0 || sourceRect.w == 0) {
        return;
    }
    // The clock is read as a signed 32-bit count; the product is widened so that long runs
    // cannot overflow it.
    const int64_t step = static_cast<int32_t>(now) / interval;
    const int64_t offset = (step * frameRect.w) % sourceRect.w;
    Sint16 x = static_cast<Sint16>(offset);
    if (x < 0) {
        x = static_cast<Sint16>(x + frameRect.w);
    }
    frameRect.x = x;
}

void AnimationImage::Set(ImageSet *other)
{
    if (other == nullptr) {
        return;
    }
    surface = other->surface;
    sourceRect = other->sourceRect;
    frameRect = sourceRect;
}

void AnimationImage::SetSurface(SDL_Surface *s)
{
    ImageSet::SetSurface(s);
    frameRect = sourceRect;
}

void AnimationImage::LoadString(ContentsManager *contents, std::string text, unsigned int color)
{
    ImageSet::LoadString(contents, std::move(text), color);
    frameRect = sourceRect;
}

void AnimationImage::LoadString(ContentsManager *contents, std::string text, unsigned int color,
                                int size)
{
    ImageSet::LoadString(contents, std::move(text), color, size);
    frameRect = sourceRect;
}

void AnimationImage::LoadImage(ContentsManager *contents, std::string name)
{
    ImageSet::LoadImage(contents, std::move(name));
    frameRect = sourceRect;
}

void AnimationImage::LoadImage(ContentsManager *contents, std::string name, int percentX,
                               int percentY)
{
    ImageSet::LoadImage(contents, std::move(name), percentX, percentY);
    frameRect = sourceRect;
}

void AnimationImage::SetFrames(int count)
{
    if (count > 0) {
        frameRect.w = static_cast<Uint16>(sourceRect.w / count);
    }
}

void AnimationImage::SetFramesFromWidth(int width)
{
    if (width > 0) {
        frameRect.w = static_cast<Uint16>(std::min<int>(width, sourceRect.w));
    }
}
