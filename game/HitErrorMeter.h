// HitErrorMeter: a thin scale of timing errors (early left, late right) with fading ticks.
#pragma once

#include <deque>

#include "framework/SceneObject.h"

// Drawn under the targets of the play scene. The scale spans -RANGE .. +RANGE ms; the bands
// of EXCELLENT, GOOD and OK are marked around the centre line. Every hit adds a tick at its
// error that fades out over FADE ms; a marker under the scale shows the mean of the last
// MEAN_OF hits, so a player who is steadily early or late sees it at a glance.
class HitErrorMeter : public SceneObject
{
public:
    static constexpr int RANGE = 150;  ///< ms shown either side of the centre
    static constexpr int FADE = 3000;  ///< ms a tick takes to fade out
    static constexpr int MEAN_OF = 20; ///< hits the running mean covers

    HitErrorMeter(SceneManager *manager, SceneObject *parent);

    // The scale's place on the screen (pixels): left edge, top, width and height.
    void SetArea(int x, int y, int width, int height);
    // One hit with its signed error in ms (negative: early), judged at clock 'now'.
    void Add(int error, Uint32 now);

    // Mean error (ms) of the last MEAN_OF hits; 0 before the first.
    double GetMean() const;
    // Ticks still visible.
    int GetTickCount() const { return static_cast<int>(ticks.size()); }
    // Screen x of an error (clamped to the scale).
    int XOf(double error) const;

    // Drops the ticks that have faded out.
    void Idle(unsigned int now) override;
    void Draw(SDL_Surface *screen) override;

private:
    struct Tick
    {
        int error; ///< ms
        Uint32 at; ///< clock of the hit (ms)
    };

    int left = 0, top = 0, width = 0, height = 0; ///< the scale (pixels)
    std::deque<Tick> ticks;                       ///< oldest first
    std::deque<int> recent;                       ///< errors of the last MEAN_OF hits
};
