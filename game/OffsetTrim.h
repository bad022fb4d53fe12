// OffsetTrim: the player's two offsets, the global one and a song's own, trimmed in 1 ms steps.
#pragma once

#include <SDL.h>

#include "game/LatencyCompensation.h"

// A game is played with the global "offset" of config (set on the timing screen) plus the
// chosen song's own offset, kept with the song's records. Each of them and their sum stay
// within -MAX_OFFSET..MAX_OFFSET ms: a trim stops at whichever limit it reaches first, so
// every step changes what is played. '[' takes 1 ms off the song's offset (presses are taken
// to lag the notes less), ']' adds 1 ms; a held key repeats like the carousel's arrows.
class OffsetTrim
{
public:
    static constexpr int MAX_OFFSET = LatencyCompensation::MAX_OFFSET; ///< ms
    static constexpr int EARLIER_KEY = '[';       ///< SDLK_LEFTBRACKET: the song's offset 1 ms down
    static constexpr int LATER_KEY = ']';         ///< SDLK_RIGHTBRACKET: 1 ms up
    static constexpr Uint32 REPEAT_DELAY = 400;   ///< ms a held key waits before it repeats
    static constexpr Uint32 REPEAT_INTERVAL = 50; ///< ms between repeats

    // The offset played with: global + song, brought into -MAX_OFFSET..MAX_OFFSET.
    static int Effective(int global, int song);
    // -1 for EARLIER_KEY, +1 for LATER_KEY, 0 for any other key.
    static int DirectionOf(int key);

    // Both offsets in ms, the global one brought into -MAX_OFFSET..MAX_OFFSET and the song's
    // to the part of it that is played (their sum cut at the limit); no key is held.
    void Set(int global, int song);
    int GetGlobal() const { return global; }
    int GetSong() const { return song; }
    int GetEffective() const { return Effective(global, song); }

    // One step (direction -1 or +1 ms) of the song's offset, unless it or the sum is at its
    // limit that way. True when the song's offset changed.
    bool Step(int direction);
    // Called every frame with the direction held now (-1, +1, or 0 for none or both): once a
    // direction has been held REPEAT_DELAY ms it steps every REPEAT_INTERVAL ms (the first
    // step is the caller's, on the press). True when the song's offset changed.
    bool Hold(int held, Uint32 now);

private:
    int global = 0;        ///< ms, config "offset"
    int song = 0;          ///< ms, the song's own
    int heldDirection = 0; ///< the direction held at the last Hold
    Uint32 nextRepeat = 0; ///< clock (ms) of the next repeat while held
};
