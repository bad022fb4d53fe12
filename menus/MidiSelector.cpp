// MidiSelector: carousel turning with part resets, and the chosen card's song and part.
#include "menus/MidiSelector.h"

#include "framework/SceneManager.h"
#include "menus/MidiImage.h"
#include "song/MidiContainer.h"

MidiSelector::MidiSelector(SceneManager *manager, SceneObject *parent)
    : SpinSelector(manager, parent)
{
}

MidiImage *MidiSelector::GetSelectedCard()
{
    if (GetSize() <= 0) {
        return nullptr;
    }
    return dynamic_cast<MidiImage *>(GetSelectedImage());
}

void MidiSelector::ShowSongs(std::vector<MidiContainer *> shownSongs, int keys,
                             const std::string &keep)
{
    songs = std::move(shownSongs);
    keyIndex = keys;
    int chosen = 0;
    for (size_t i = 0; i < songs.size(); ++i) {
        if (songs[i]->name == keep) {
            chosen = static_cast<int>(i);
            break;
        }
    }
    SetItems(
        static_cast<int>(songs.size()),
        [this](int index, SceneObject *holder) {
            MidiImage *card = new MidiImage(manager, holder);
            card->Set(songs[static_cast<size_t>(index)], keyIndex, "frame", "bg");
            card->SetSelectChunk(manager->GetContentsManager(), "select2");
            return card;
        },
        chosen);
    // The chosen card starts at its first part with notes, as after any turn.
    if (MidiImage *card = GetSelectedCard()) {
        card->SetPart(card->FirstPlayablePart());
        Changed();
    }
}

void MidiSelector::SaveChangedRecords(const std::function<void(MidiContainer &, bool)> &told)
{
    for (const auto &item : GetMadeItems()) {
        if (MidiImage *card = dynamic_cast<MidiImage *>(item.second)) {
            told(*card, card->SaveRecords());
        }
    }
    // A card that went tried once as it went; what it could not write is still its song's.
    for (size_t i = 0; i < songs.size(); ++i) {
        if (GetMadeItems().count(static_cast<int>(i)) == 0 && songs[i]->IsChanged()) {
            told(*songs[i], songs[i]->Save());
        }
    }
}

void MidiSelector::SetSelect(int index)
{
    if (GetSize() <= 0) {
        return;
    }
    if (MidiImage *before = GetSelectedCard()) {
        before->SetPart(before->FirstPlayablePart());
        // Only the chosen song holds its events; the screen reads the new one for its preview.
        if (index != GetSelect()) {
            before->ReleaseEvents();
        }
    }
    SpinSelector::SetSelect(index);
    if (MidiImage *after = GetSelectedCard()) {
        after->SetPart(after->FirstPlayablePart());
    }
}

void MidiSelector::Event(SDL_Event *event)
{
    if (GetSize() <= 0) {
        return;
    }
    SpinSelector::Event(event);
    if (event->type == SDL_USEREVENT && event->user.code >= 0 && event->user.code <= 3) {
        Changed();
    }
}

int MidiSelector::GetInstrument()
{
    MidiImage *card = GetSelectedCard();
    return card ? card->GetPart() : 0;
}

MidiFile *MidiSelector::GetMid()
{
    MidiImage *card = GetSelectedCard();
    return card ? card->midi : nullptr;
}

MidiEvent *MidiSelector::GetFirstEvent()
{
    MidiImage *card = GetSelectedCard();
    return card ? card->firstEvent : nullptr;
}

int MidiSelector::NextInstrument()
{
    MidiImage *card = GetSelectedCard();
    if (card == nullptr) {
        return 0;
    }
    card->SetPart(card->StepPart(card->GetPart(), 1));
    changedPhase = 1;
    return card->GetPart();
}

int MidiSelector::BeforeInstrument()
{
    MidiImage *card = GetSelectedCard();
    if (card == nullptr) {
        return 0;
    }
    card->SetPart(card->StepPart(card->GetPart(), -1));
    changedPhase = 1;
    return card->GetPart();
}
