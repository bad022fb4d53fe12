// JudgementDisplay: the latest judgement as one readable text, and a flash under the hit lane.
#include "game/JudgementDisplay.h"

#include "content/ContentsManager.h"
#include "text/MessageCatalog.h"

namespace {
const char *const TEXTS[4] = {TrNoop("BAD"), TrNoop("OK"), TrNoop("GOOD"), TrNoop("EXCELLENT")};
const Uint32 COLORS[4] = {0xFF4848, 0xFFB030, 0x60FF60, 0x60E0FF};
const int BAR_HEIGHT = 4; ///< px
} // namespace

JudgementDisplay::JudgementDisplay(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent)
{
}

Uint32 JudgementDisplay::ColorOf(int value)
{
    return value >= 0 && value < 4 ? COLORS[value] : 0xFFFFFF;
}

void JudgementDisplay::Load(ContentsManager *contents, int fontSize)
{
    for (int i = 0; i < 4; i++)
        texts[i].LoadString(contents, Tr(TEXTS[i]), 0xFF000000 | COLORS[i], fontSize);
}

void JudgementDisplay::SetLayout(int x, int columnWidth, int bar, int y, int centreX, int centreY)
{
    firstX = x;
    column = columnWidth;
    barWidth = bar;
    barY = y;
    textX = centreX;
    textY = centreY;
}

void JudgementDisplay::Show(int lane, int value, Uint32 now)
{
    latest = value;
    latestAt = now;
    if (lane < 0)
        return;
    if (lanes.size() <= static_cast<size_t>(lane))
        lanes.resize(lane + 1);
    lanes[lane] = Flash{value, now};
}

int JudgementDisplay::GetShownValue() const
{
    return latest >= 0 && beforeTime - latestAt < static_cast<Uint32>(SHOW) ? latest : -1;
}

int JudgementDisplay::GetLaneFlash(int lane) const
{
    if (lane < 0 || static_cast<size_t>(lane) >= lanes.size())
        return -1;
    const Flash &flash = lanes[lane];
    return flash.value >= 0 && beforeTime - flash.at < static_cast<Uint32>(FLASH) ? flash.value
                                                                                  : -1;
}

void JudgementDisplay::Draw(SDL_Surface *screen)
{
    for (size_t lane = 0; lane < lanes.size(); lane++) {
        const int value = GetLaneFlash(static_cast<int>(lane));
        if (value < 0)
            continue;
        const Uint32 rgb = COLORS[value];
        SDL_Rect bar{static_cast<Sint16>(firstX + static_cast<int>(lane) * column),
                     static_cast<Sint16>(barY), static_cast<Uint16>(barWidth), BAR_HEIGHT};
        SDL_FillRect(screen, &bar,
                     SDL_MapRGB(screen->format, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
    }
    const int value = GetShownValue();
    if (value < 0 || !texts[value].surface)
        return;
    const ImageSet &text = texts[value];
    SDL_Rect place{static_cast<Sint16>(textX - text.sourceRect.w / 2),
                   static_cast<Sint16>(textY - text.sourceRect.h / 2), 0, 0};
    texts[value].Draw(screen, &place);
}
