// SongOffsetLine: trimming the chosen song's offset on the song selection, and its line.
#include "menus/SongOffsetLine.h"

#include <algorithm>
#include <utility>

#include "config/ConfigReader.h"
#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "text/MessageCatalog.h"
#include "widgets/SpriteImage.h"

namespace {
const Uint32 kWhite = 0xFFFFFFFF;
const Uint32 kYellow = 0x00FFFF80; // a song with an offset of its own
} // namespace

void SongOffsetLine::Init(SceneManager *newManager, SceneObject *parent, const ConfigReader &config,
                          int newMetersRight, std::function<void()> newSave)
{
    save = std::move(newSave);
    manager = newManager;
    metersRight = newMetersRight;
    globalOffset = config.GetInteger("offset", 0);
    line = new SpriteImage(manager, parent);
    card = nullptr;
    text.clear();
}

void SongOffsetLine::Follow(MidiImage *chosen)
{
    if (chosen == card && (chosen == nullptr || chosen->songOffset == cardOffset))
        return;
    card = chosen;
    cardOffset = chosen != nullptr ? chosen->songOffset : 0;
    trim.Set(globalOffset, cardOffset);
    Render();
}

void SongOffsetLine::Trimmed(MidiImage *chosen)
{
    chosen->songOffset = cardOffset = trim.GetSong();
    unsaved = true;
    Render();
}

bool SongOffsetLine::Key(int key, MidiImage *chosen)
{
    const int direction = OffsetTrim::DirectionOf(key);
    if (direction == 0)
        return false;
    Follow(chosen);
    if (chosen != nullptr && trim.Step(direction))
        Trimmed(chosen);
    return true;
}

void SongOffsetLine::Idle(Uint32 now, MidiSelector *selector, SpriteImage *above, bool keys)
{
    if (line == nullptr)
        return;
    MidiImage *chosen = selector != nullptr ? selector->GetSelectedCard() : nullptr;
    Follow(chosen);
    const int held = !keys ? 0
                           : (manager->KeyDown(OffsetTrim::LATER_KEY) ? 1 : 0) -
                                 (manager->KeyDown(OffsetTrim::EARLIER_KEY) ? 1 : 0);
    if (trim.Hold(held, now) && chosen != nullptr)
        Trimmed(chosen);
    Place(above);
    // One save when the key is let go, not one per step of a held key.
    if (held == 0 && unsaved) {
        unsaved = false;
        if (save)
            save();
    }
}

void SongOffsetLine::Render()
{
    text.clear();
    if (card != nullptr) {
        text = FormatText(Tr("Song offset %+d ms  Total %+d ms  ([ ])"), trim.GetSong(),
                          trim.GetEffective());
    }
    ContentsManager *contents = manager->GetContentsManager();
    if (text.empty()) {
        line->surface = nullptr;
        return;
    }
    // As the practice line above: smaller letters (to 3/5) when it would run off the screen.
    const int w = manager->GetWidth();
    int size = contents->GetDefaultFontSize();
    while (size * 5 > contents->GetDefaultFontSize() * 3 &&
           contents->GetTextWidth(size, text) > w - metersRight - w / 100)
        --size;
    line->LoadString(contents, text, trim.GetSong() != 0 ? kYellow : kWhite, size);
}

void SongOffsetLine::Place(SpriteImage *above)
{
    if (above == nullptr || line->surface == nullptr)
        return;
    SDL_Rect at;
    above->GetPosition(at);
    const int w = manager->GetWidth();
    const int width = line->sourceRect.w;
    at.x = static_cast<Sint16>(std::max(metersRight, std::min(w / 2, w - width - w / 100)));
    at.y = static_cast<Sint16>(at.y + (above->surface != nullptr ? above->sourceRect.h : 0));
    line->SetPosition(at);
}
