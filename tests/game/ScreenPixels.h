// ScreenPixels: reading colours and counting lit pixels of a drawn screen in the game tests.
#pragma once

#include <SDL.h>

#include <cstring>
#include <vector>

// The colour at (x, y) as 0xRRGGBB, whatever the surface's pixel format.
inline Uint32 PixelAt(SDL_Surface *surface, int x, int y)
{
    SDL_LockSurface(surface);
    Uint8 *row = static_cast<Uint8 *>(surface->pixels) + y * surface->pitch;
    Uint32 pixel = 0;
    std::memcpy(&pixel, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
    SDL_UnlockSurface(surface);
    Uint8 r, g, b;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return (r << 16) | (g << 8) | b;
}

// Non-black pixels in a rectangle of the surface (the whole surface when w and h are 0).
inline int LitIn(SDL_Surface *surface, int x = 0, int y = 0, int w = 0, int h = 0)
{
    if (w == 0 && h == 0) {
        w = surface->w;
        h = surface->h;
    }
    int lit = 0;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            lit += PixelAt(surface, i, j) != 0;
    return lit;
}

// The whole surface, row by row.
inline std::vector<Uint32> Pixels(SDL_Surface *surface)
{
    std::vector<Uint32> pixels;
    for (int y = 0; y < surface->h; y++)
        for (int x = 0; x < surface->w; x++)
            pixels.push_back(PixelAt(surface, x, y));
    return pixels;
}
