// MidiSelector: the carousel of song cards on the song selection screen.
#pragma once

#include "widgets/SpinSelector.h"

class MidiImage;
struct MidiEvent;
struct MidiFile;

// A SpinSelector whose items are all MidiImage cards. Left and right turn the carousel; up and
// down reach the chosen card. Every card starts at part 0 when it becomes or stops being the
// chosen one.
class MidiSelector : public SpinSelector
{
public:
    MidiSelector(SceneManager *manager, SceneObject *parent);
    ~MidiSelector() override = default;

    // Turns the carousel; the cards left behind and chosen go back to part 0.
    void SetSelect(int index) override;
    // Left/right as the carousel; left, right, up and down also mark the selector changed, so
    // the screen notices part changes too.
    void Event(SDL_Event *event) override;

    // The chosen card, or null while the carousel is empty.
    MidiImage *GetSelectedCard();
    // The chosen card's part (channel); 0 without cards.
    int GetInstrument();
    // The chosen card's parsed song and first merged event (null without cards).
    MidiFile *GetMid();
    MidiEvent *GetFirstEvent();
    // Step the chosen card's part with wrap-around, mark the selector changed and return the
    // new part.
    int NextInstrument();
    int BeforeInstrument();
};
