// SongOffsetLine: the song selection's line with the chosen song's offset, and its trim keys.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>

#include "game/OffsetTrim.h"

class ConfigReader;
class MidiImage;
class MidiSelector;
class SceneManager;
class SceneObject;
class SpriteImage;

// '[' and ']' trim the chosen song's own offset by 1 ms (OffsetTrim); a held key repeats like
// the carousel's arrows. The line under the practice line shows the song's offset and the one
// played with (the global "offset" of config plus the song's). Every step goes into the card's
// offset cell at once; once no trim key is held any more the card's records are due to be
// saved, so that a trim survives whatever comes next.
class SongOffsetLine
{
public:
    // Makes the line, a child of 'parent', right of 'metersRight' (px); the global offset is
    // read from 'config'. 'save' saves the records of the cards that changed.
    void Init(SceneManager *manager, SceneObject *parent, const ConfigReader &config,
              int metersRight, std::function<void()> save);
    // A key pressed outside a search: '[' or ']' trims the chosen card's offset (nothing without
    // a card). True for those two keys.
    bool Key(int key, MidiImage *card);
    // Every frame: a held trim key repeats (while 'keys' allows them: not during a search), and
    // the line follows the selector's chosen card and stands under 'above' (the practice
    // line). Once no trim key is held after a trim, the records are saved.
    void Idle(Uint32 now, MidiSelector *selector, SpriteImage *above, bool keys);
    // The text shown ("" without a card).
    const std::string &GetText() const { return text; }
    const OffsetTrim &GetTrim() const { return trim; }

private:
    // Takes the card's offset when the card or its offset changed since the last look.
    void Follow(MidiImage *card);
    // The card takes the trimmed offset; the line is rendered again.
    void Trimmed(MidiImage *card);
    void Render();
    void Place(SpriteImage *above);

    SceneManager *manager = nullptr;
    SpriteImage *line = nullptr; ///< child of the song selection
    std::function<void()> save;  ///< saves the changed records
    int globalOffset = 0;        ///< ms, config "offset"
    int metersRight = 0;         ///< px: the line stays right of the meters
    OffsetTrim trim;             ///< the chosen song's offsets
    MidiImage *card = nullptr;   ///< the card the trim was set from
    int cardOffset = 0;          ///< the card's offset cell when last looked at (ms)
    bool unsaved = false;        ///< trimmed since the last save
    std::string text;            ///< shown on the line
};
