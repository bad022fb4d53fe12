// BlitLog: an optional record of every picture drawn to the screen, for tests of the layout.
#pragma once

#include <SDL.h>

#include <vector>

// While a record runs, every blit of a sprite, a text, a meter or a digit notes the surface it
// drew from and the rectangle it covered on the target (before clipping at the target's edges,
// so that a text running off the screen shows as such). Nothing is noted otherwise; the game
// never starts a record. Main thread only.
class BlitLog
{
public:
    struct Entry
    {
        const SDL_Surface *surface; ///< the picture drawn from (owned by the content cache)
        SDL_Rect at;                ///< pixels: where on the target, and the drawn size
    };

    // Starts a new, empty record.
    static void Start();
    // Ends the record and hands it over, in drawing order.
    static std::vector<Entry> Stop();
    // Notes one blit of 'source' (the part of 'surface' drawn) at x/y of 'destination'.
    static void Note(const SDL_Surface *surface, const SDL_Rect &source,
                     const SDL_Rect &destination);
};
