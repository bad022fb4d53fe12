// ImageSet: holder of one cached surface and the rectangle of it that is drawn.
#pragma once

#include <SDL.h>

#include <string>

class ContentsManager;

// Does not own its surface: surfaces belong to the content cache. Every load goes through the
// virtual SetSurface, so a derived class sees every change of surface.
class ImageSet
{
public:
    SDL_Surface *surface = nullptr; ///< the surface shown; not owned
    // The part of surface that is drawn; the whole surface whenever a non-null one is set.
    SDL_Rect sourceRect{0, 0, 0, 0};

    ImageSet() = default;
    virtual ~ImageSet() = default;

    // Shows s; a null s keeps the previous sourceRect.
    virtual void SetSurface(SDL_Surface *s);
    // Text at the default font size.
    virtual void LoadString(ContentsManager *contents, std::string text, unsigned int color);
    // Text at the given font size (<= 0: default size).
    virtual void LoadString(ContentsManager *contents, std::string text, unsigned int color,
                            int size);
    // Text at the given font size, or at the largest smaller size at which it is at most
    // maxWidth pixels wide (down to a 6 px font).
    void LoadStringWithin(ContentsManager *contents, const std::string &text, unsigned int color,
                          int size, int maxWidth);
    // Image at natural size.
    virtual void LoadImage(ContentsManager *contents, std::string name);
    // Image scaled by the percentages.
    virtual void LoadImage(ContentsManager *contents, std::string name, int percentX, int percentY);
    // Image scaled to about width x height pixels.
    virtual void LoadImageWH(ContentsManager *contents, std::string name, int width, int height);

    // Blits sourceRect with its top-left corner at rect's x/y; a null surface draws nothing.
    void Draw(SDL_Surface *target, SDL_Rect *rect);
};
