// MidiSelector: carousel turning with part resets, and the chosen card's song and part.
#include "menus/MidiSelector.h"

#include "menus/MidiImage.h"

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
