// ImageSet: loads by name from the content cache and blits the chosen rectangle.
#include "content/ImageSet.h"

#include <algorithm>

#include "content/BlitLog.h"
#include "content/ContentsManager.h"

void ImageSet::SetSurface(SDL_Surface *s)
{
    surface = s;
    if (s != nullptr) {
        sourceRect = SDL_Rect{0, 0, static_cast<Uint16>(s->w), static_cast<Uint16>(s->h)};
    }
}

void ImageSet::LoadString(ContentsManager *contents, std::string text, unsigned int color)
{
    SetSurface(contents->GetString(std::move(text), color));
}

void ImageSet::LoadString(ContentsManager *contents, std::string text, unsigned int color, int size)
{
    SetSurface(contents->GetString(size, std::move(text), color));
}

void ImageSet::LoadStringWithin(ContentsManager *contents, const std::string &text,
                                unsigned int color, int size, int maxWidth)
{
    const int smallest = 6; // px; a smaller font is unreadable anyway
    LoadString(contents, text, color, size);
    // Glyph widths do not scale exactly with the size: shrink in proportion until it fits.
    while (surface != nullptr && sourceRect.w > maxWidth && size > smallest) {
        const int smaller = size * maxWidth / sourceRect.w;
        size = std::max(smallest, std::min(size - 1, smaller));
        LoadString(contents, text, color, size);
    }
}

void ImageSet::LoadImage(ContentsManager *contents, std::string name)
{
    SetSurface(contents->GetImage(std::move(name)));
}

void ImageSet::LoadImage(ContentsManager *contents, std::string name, int percentX, int percentY)
{
    SetSurface(contents->GetImage(std::move(name), percentX, percentY));
}

void ImageSet::LoadImageWH(ContentsManager *contents, std::string name, int width, int height)
{
    SetSurface(contents->GetImageWH(std::move(name), width, height));
}

void ImageSet::Draw(SDL_Surface *target, SDL_Rect *rect)
{
    if (surface == nullptr || target == nullptr || rect == nullptr) {
        return;
    }
    // The blit clips and may rewrite its destination rectangle: work on a copy.
    SDL_Rect source = sourceRect;
    SDL_Rect destination{rect->x, rect->y, 0, 0};
    BlitLog::Note(surface, source, destination);
    SDL_UpperBlit(surface, &source, target, &destination);
}
