// NumWriter: draws non-negative integers digit by digit from ten cached digit pictures.
#pragma once

#include <SDL.h>

#include <string>

class ContentsManager;

class NumWriter
{
public:
    SDL_Surface *digitSurfaces[10]; ///< not owned: they belong to the content cache
    SDL_Rect digitRects[10];        ///< the part of each surface that shows the digit

    NumWriter();
    virtual ~NumWriter() = default;

    // Digits rendered from the font at the given size (<= 0: default size) and colour.
    bool Init(ContentsManager *contents, int size, unsigned int color);
    // Digits rendered from the font at the default size.
    bool Init(ContentsManager *contents, unsigned int color);
    // Digits cut from one image of ten equal cells, scaled by the percentages; false if missing.
    bool Init(ContentsManager *contents, std::string imageName, int percentX, int percentY);

    // Draws value at position's x/y; returns the x after the last digit. Negative values draw
    // nothing. minDigits > 0 pads with leading zeros; every caller passes -1.
    int Print(int value, SDL_Surface *target, SDL_Rect *position, int minDigits);
    // Width in pixels Print would use for value (0 for negative values).
    int GetWidth(int value);
    // Height of the digit 0 rectangle.
    int GetHeight();
};
