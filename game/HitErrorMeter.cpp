// HitErrorMeter: a thin scale of timing errors (early left, late right) with fading ticks.
#include "game/HitErrorMeter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "game/JudgementDisplay.h"

namespace {
// Judgement windows (ms): EXCELLENT below 10, GOOD below 50, OK below 100.
const int BANDS[3] = {100, 50, 10};
const int BAND_VALUES[3] = {1, 2, 3}; // OK, GOOD, EXCELLENT

void Fill(SDL_Surface *screen, int x, int y, int w, int h, Uint32 rgb, double brightness = 1.0)
{
    if (w <= 0 || h <= 0)
        return;
    auto part = [&](int shift) { return static_cast<Uint8>(((rgb >> shift) & 0xFF) * brightness); };
    SDL_Rect rect{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                  static_cast<Uint16>(h)};
    SDL_FillRect(screen, &rect, SDL_MapRGB(screen->format, part(16), part(8), part(0)));
}
} // namespace

HitErrorMeter::HitErrorMeter(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent)
{
}

void HitErrorMeter::SetArea(int x, int y, int w, int h)
{
    left = x;
    top = y;
    width = std::max(1, w);
    height = std::max(3, h);
}

void HitErrorMeter::Add(int error, Uint32 now)
{
    ticks.push_back(Tick{error, now});
    recent.push_back(error);
    if (recent.size() > static_cast<size_t>(MEAN_OF))
        recent.pop_front();
}

double HitErrorMeter::GetMean() const
{
    if (recent.empty())
        return 0.0;
    return std::accumulate(recent.begin(), recent.end(), 0.0) / recent.size();
}

int HitErrorMeter::XOf(double error) const
{
    const double clamped = std::max<double>(-RANGE, std::min<double>(RANGE, error));
    return left + static_cast<int>(std::lround((clamped + RANGE) * (width - 1) / (2.0 * RANGE)));
}

void HitErrorMeter::Idle(unsigned int now)
{
    while (!ticks.empty() && now - ticks.front().at >= static_cast<Uint32>(FADE))
        ticks.pop_front();
}

void HitErrorMeter::Draw(SDL_Surface *screen)
{
    // The bands, dim, in the middle third of the scale's height; widest first.
    const int bandTop = top + height / 3;
    const int bandHeight = std::max(1, height / 3);
    Fill(screen, left, bandTop, width, bandHeight, JudgementDisplay::ColorOf(0), 0.35);
    for (int i = 0; i < 3; i++) {
        const int x0 = XOf(-BANDS[i]);
        Fill(screen, x0, bandTop, XOf(BANDS[i]) - x0 + 1, bandHeight,
             JudgementDisplay::ColorOf(BAND_VALUES[i]), 0.45);
    }
    Fill(screen, XOf(0), top, 1, height, 0xFFFFFF);

    // Ticks: full height, in their judgement's colour, fading with age.
    for (const Tick &tick : ticks) {
        const double age = static_cast<double>(beforeTime - tick.at);
        const double brightness = std::max(0.0, 1.0 - age / FADE);
        const int value = tick.error <= -BANDS[0] || tick.error >= BANDS[0]   ? 0
                          : tick.error <= -BANDS[1] || tick.error >= BANDS[1] ? 1
                          : tick.error <= -BANDS[2] || tick.error >= BANDS[2] ? 2
                                                                              : 3;
        Fill(screen, XOf(tick.error) - 1, top, 2, height, JudgementDisplay::ColorOf(value),
             brightness);
    }

    // The running mean: a white marker just under the scale.
    if (!recent.empty())
        Fill(screen, XOf(GetMean()) - 2, top + height + 1, 5, 3, 0xFFFFFF);
}
