// MidiImage: the song card of the song selection, a sprite that carries its own copy of a song.
#pragma once

#include <cstdint>
#include <string>

#include "content/ImageSet.h"
#include "song/MidiContainer.h"
#include "widgets/SpriteImage.h"

class ContentsManager;
class FrameImage;
struct Mix_Chunk;

// One card on the song carousel. Shows the song's title on a framed background and, while it is
// the chosen card (active), the chosen part (channel number and instrument name) and its high
// score. Up and down step the part while the card is chosen. The card keeps its own copy of the
// song's score tables and offset; the game writes new records (and trims) into them, and the
// destructor saves the song's score file once when they changed and hands the new values back to
// the source.
class MidiImage : public SpriteImage, public MidiContainer
{
public:
    MidiImage(SceneManager *manager, SceneObject *parent);
    // Saves the score file when a record changed (see class comment).
    ~MidiImage() override;
    // When a record changed: writes the score file and hands the records back to the source
    // song. False when the file could not be written; the records then stay marked as changed
    // (here and in the source) so that a later save writes them.
    bool SaveRecords();

    // Makes the card a copy of the container (its summary, scores and whatever events it
    // holds). The images (the title, the label "High Score :", the background and the frame
    // sized to the widest line) are built when the card is first drawn, so that a list of
    // thousands of cards costs only the few that reach the screen. keyIndex is the number of
    // keys - 1 whose records the card shows (0-11).
    void Set(MidiContainer *container, int keyIndex, std::string frameName,
             std::string backgroundName);
    // The sound played when up or down changes the part (not owned; null plays nothing).
    void SetSelectChunk(Mix_Chunk *chunk) { selectChunk = chunk; }
    void SetSelectChunk(ContentsManager *contents, std::string name);

    // Builds the images now if they are not built yet.
    void BuildImages();
    // The images are built again at the next drawing (the summary changed).
    void InvalidateImages() { imagesBuilt = false; }
    // Background, title, and for the chosen card the part line, label and high score; for a
    // song that cannot be played, that and why in place of the part line.
    void Draw(SDL_Surface *screen) override;
    // Up (code 2) and down (code 3) step the part with wrap-around while the card is chosen.
    void Event(SDL_Event *event) override;

    // The chosen part (MIDI channel) and the highest part (highest channel with a note).
    int GetPart() const { return part; }
    // The text after the part number: the note count, preceded by "Drum Kit" on channel 10
    // (index 9), where it replaces the instrument name.
    std::string PartCaption(int channel) const;
    // The lowest part that has notes (0 when no part has any).
    int FirstPlayablePart() const;
    // The next part with notes after 'from' going up (+1) or down (-1), with wrap-around;
    // 'from' itself when no other part has notes.
    int StepPart(int from, int direction) const;
    void SetPart(int newPart) { part = newPart; }
    int GetMaxChannel() const { return maxChannel; }
    int GetKeyIndex() const { return keyIndex; }
    // The parsed song and the head of its merged event list (null for an unreadable song).
    MidiFile *GetMidi() { return midi; }
    MidiEvent *GetFirstEvent() { return firstEvent; }
    // The song's timed event table (shared with the song, not copied).
    const KeyPositionTable &GetPositions() const { return positions; }
    // Record cells of the card for a key-count index (0-11) and a part (0..maxChannel).
    int *GetHighScoreCell(int keyCountIndex, int channel);
    int *GetHighRateCell(int keyCountIndex, int channel);
    // Note density (0-100) of a channel, and the song's tempo and length levels (0-100).
    int GetDensity(int channel) const;
    int GetTempoLevel() const { return tempoLevel; }
    int GetLengthLevel() const { return lengthLevel; }
    // The line saying that the song cannot be played and why (no surface for a playable song
    // or before the card was first drawn).
    const ImageSet &GetUnplayableLine() const { return unplayable; }
    // The container the card was copied from (null once it is gone).
    MidiContainer *GetSource() { return source; }
    // A number no other card of this run has had (a card made again for the same song gets a
    // new one, even at the address of the one that went): 1 for the first card.
    uint64_t GetSerial() const { return serial; }

    // Cards whose source is this container stop handing their records back to it. The owner of
    // the song list calls it before it destroys a container that cards may still point at (at
    // program exit the title menu is destroyed before the song selection above it).
    static void ForgetSource(MidiContainer *container);
    // Every card stops handing its records back: the whole song list goes at once.
    static void ForgetAllSources();

private:
    // Pixels the card's texts may take: the chosen card rests at the middle of the screen, and
    // the card with its border takes at most the right half.
    int ContentWidth() const;

    int keyIndex = 0;                 ///< number of keys - 1 whose records are shown
    ImageSet label;                   ///< "High Score :"
    ImageSet background;              ///< the card background at the card's size
    FrameImage *frame = nullptr;      ///< child; the frame around the card
    Mix_Chunk *selectChunk = nullptr; ///< not owned
    MidiContainer *source = nullptr;  ///< the title menu's container this card copies
    ImageSet partNotes;               ///< "<n> notes" (with "Drum Kit" on channel 10)
    ImageSet shortPartName;           ///< the part's name shortened to fit, when it must be
    int partNotesShown = -1;          ///< the part partNotes was rendered for
    std::string frameName;            ///< frame picture for BuildImages
    std::string backgroundName;       ///< background picture for BuildImages
    bool imagesBuilt = false;         ///< BuildImages has run since the last Set
    ImageSet unplayable;              ///< "cannot be played: <why>" for an unreadable song
    uint64_t serial = 0;              ///< see GetSerial
};
