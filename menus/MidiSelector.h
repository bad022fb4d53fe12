// MidiSelector: the carousel of song cards on the song selection screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "widgets/SpinSelector.h"

class MidiContainer;
class MidiImage;
struct MidiEvent;
struct MidiFile;

// A SpinSelector whose items are all MidiImage cards. Left and right turn the carousel; up and
// down reach the chosen card. Every card starts at part 0 when it becomes or stops being the
// chosen one. With ShowSongs only the cards near the chosen one exist: a card is made from its
// song when it comes into the carousel's window and goes when it leaves it, handing its records
// back to the song (and saving them when they changed), so that the next card of the song shows
// them again.
class MidiSelector : public SpinSelector
{
public:
    MidiSelector(SceneManager *manager, SceneObject *parent);
    ~MidiSelector() override = default;

    // The cards become those of 'songs' (not owned; they outlive the cards), in that order,
    // showing the records of keyIndex (number of keys - 1); the song named 'keep' is chosen
    // when it is there, else the first. The old cards go first (each saves what changed).
    void ShowSongs(std::vector<MidiContainer *> songs, int keyIndex, const std::string &keep);
    // Writes every changed record of the songs shown: the cards' own, and those cards that went
    // handed back to their songs. 'told' hears of each song written with whether it was.
    void SaveChangedRecords(const std::function<void(MidiContainer &, bool saved)> &told);

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

private:
    std::vector<MidiContainer *> songs; ///< the song of each place, not owned
    int keyIndex = 3;                   ///< number of keys - 1 whose records the cards show
};
