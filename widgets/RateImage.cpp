// RateImage: rendering the rate letters in their colours and drawing them centred.
#include "widgets/RateImage.h"

#include <algorithm>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

namespace {

const char *const kRateTexts[11] = {"G", "F", "E", "D", "C", "B", "A", "AA", "S", "SS", "SSS"};

// Rate j runs from blue at "G" to red at "SSS": red 35 + 20 j, green 0, blue 255 - 20 j.
unsigned int RateColor(int j)
{
    const unsigned int red = 35 + 20 * j;
    const unsigned int blue = 255 - 20 * j;
    return (red << 16) | blue;
}

} // namespace

RateImage::RateImage(SceneManager *manager, SceneObject *parent) : SpriteImage(manager, parent)
{
    RenderTexts();
}

void RateImage::RenderTexts()
{
    width = 0;
    height = 0;
    ContentsManager *contents = manager->GetContentsManager();
    const int size = 4 * contents->GetDefaultFontSize();
    for (int j = 0; j < 11; ++j) {
        rates[j].LoadString(contents, kRateTexts[j], RateColor(j), size);
    }
    other.LoadString(contents, "-", 0xFFFFFFFF, size);
    // A text that did not render counts as 0 x 0.
    auto measure = [this](const ImageSet &text) {
        if (text.surface != nullptr) {
            width = std::max(width, text.surface->w);
            height = std::max(height, text.surface->h);
        }
    };
    for (const ImageSet &rate : rates) {
        measure(rate);
    }
    measure(other);
}

void RateImage::Reload()
{
    RenderTexts();
    if (rateSet) {
        SetRate(shownRate);
    }
}

void RateImage::SetRate(int index)
{
    rateSet = true;
    shownRate = index;
    if (index >= 0 && index <= 10) {
        SetSurface(rates[index].surface);
    } else {
        SetSurface(other.surface);
    }
}

void RateImage::Draw(SDL_Surface *screen)
{
    SDL_Rect where;
    GetPosition(where);
    where.x = static_cast<Sint16>(where.x + (width - sourceRect.w) / 2);
    ImageSet::Draw(screen, &where);
}
