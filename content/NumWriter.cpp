// NumWriter: digit pictures from the font or one ten-cell image, and left-aligned printing.
#include "content/NumWriter.h"

#include <cstdint>

#include "content/BlitLog.h"
#include "content/ContentsManager.h"

namespace {

// Highest power of ten not above value (1 for 0), raised to 10^minDigits when that is larger.
// 64-bit, so values near INT_MAX and large paddings cannot overflow.
int64_t LeadingPower(int value, int minDigits)
{
    int64_t b = 1;
    while (value / b >= 10) {
        b *= 10;
    }
    if (minDigits > 0) {
        int64_t padded = 1;
        // More than ten digits of padding cannot be told apart from ten in an int's range.
        for (int i = 0; i < minDigits && i < 10; ++i) {
            padded *= 10;
        }
        if (b < padded) {
            b = padded;
        }
    }
    return b;
}

} // namespace

NumWriter::NumWriter()
{
    for (int d = 0; d < 10; ++d) {
        digitSurfaces[d] = nullptr;
        digitRects[d] = SDL_Rect{0, 0, 0, 0};
    }
}

bool NumWriter::Init(ContentsManager *contents, int size, unsigned int color)
{
    for (int d = 0; d < 10; ++d) {
        SDL_Surface *digit = contents->GetString(size, std::string(1, char('0' + d)), color);
        digitSurfaces[d] = digit;
        // A digit that did not render (no font) measures 0 and draws nothing.
        digitRects[d] = SDL_Rect{0, 0, 0, 0};
        if (digit != nullptr) {
            digitRects[d].w = static_cast<Uint16>(digit->w);
            digitRects[d].h = static_cast<Uint16>(digit->h);
        }
    }
    return true;
}

bool NumWriter::Init(ContentsManager *contents, unsigned int color)
{
    return Init(contents, contents->GetDefaultFontSize(), color);
}

bool NumWriter::Init(ContentsManager *contents, std::string imageName, int percentX, int percentY)
{
    SDL_Surface *image = contents->GetImage(imageName, percentX, percentY);
    if (image == nullptr) {
        return false;
    }
    const int width = image->w;
    const int height = image->h;
    for (int d = 0; d < 10; ++d) {
        digitSurfaces[d] = image;
        // d * W / 10 rather than d * (W / 10): the cells spread over the whole width.
        digitRects[d] = SDL_Rect{static_cast<Sint16>(d * width / 10), 0,
                                 static_cast<Uint16>(width / 10), static_cast<Uint16>(height)};
    }
    return true;
}

int NumWriter::Print(int value, SDL_Surface *target, SDL_Rect *position, int minDigits)
{
    const SDL_Rect entry = *position;
    if (value < 0) {
        return entry.x;
    }
    Sint16 x = entry.x;
    int64_t rest = value;
    for (int64_t b = LeadingPower(value, minDigits); b > 0; b /= 10) {
        const int digit = static_cast<int>(rest / b);
        rest %= b;
        SDL_Rect source = digitRects[digit];
        position->x = x;
        position->y = entry.y;
        position->w = entry.w;
        position->h = entry.h;
        if (digitSurfaces[digit] != nullptr && target != nullptr) {
            BlitLog::Note(digitSurfaces[digit], source, *position);
            SDL_UpperBlit(digitSurfaces[digit], &source, target, position);
        }
        x = static_cast<Sint16>(x + digitRects[digit].w);
    }
    *position = entry;
    return x;
}

int NumWriter::GetWidth(int value)
{
    if (value < 0) {
        return 0;
    }
    int width = 0;
    int64_t rest = value;
    for (int64_t b = LeadingPower(value, -1); b > 0; b /= 10) {
        const int digit = static_cast<int>(rest / b);
        rest %= b;
        width += digitRects[digit].w;
    }
    return width;
}

int NumWriter::GetHeight()
{
    return digitRects[0].h;
}
