// SpinSelector: a carousel of sprites on a circle that turns the chosen one to a resting spot.
#pragma once

#include <SDL.h>

#include "widgets/SelectorObject.h"

class SelectionContainer;
class SpriteImage;

// Handed to SpinSelector::Init.
struct SpinSelectorParameter
{
    SDL_Rect position; ///< x, y: resting spot of the chosen item (screen pixels); w, h unused
    int radius;        ///< circle radius in pixels
    // Where the spot lies seen from the centre: bits 1 upper, 2 lower, 4 left, 8 right.
    Uint32 placement;
};

// Items are the children of the SelectionContainer (GetSelectionParent), in creation order;
// each is a SpriteImage. Left and right user events (codes 0 and 1) move the choice with
// wrap-around; Idle eases the circle towards the chosen item. Only the chosen item is active.
class SpinSelector : public SelectorObject
{
public:
    int select = 0;                          ///< index of the chosen item
    Sint16 centerX = 0;                      ///< circle centre, screen pixels
    Sint16 centerY = 0;                      ///< circle centre, screen pixels
    int radius = 0;                          ///< pixels
    Uint32 placement = 4;                    ///< placement bits (see SpinSelectorParameter)
    double targetAngle = 0;                  ///< radians the circle turns toward
    double currentAngle = 0;                 ///< radians the circle stands at now
    double baseAngle = 0;                    ///< radians of the resting spot, counter-clockwise
    SelectionContainer *selection = nullptr; ///< holder of the items, created by Init
    // 0: every item has its own place on the circle. n > 0: with more than n items the circle
    // shows n places around the chosen item and hides the items beyond them, so that a long
    // list stays readable and only the items near the chosen one are drawn.
    int maxSlots = 0;

    SpinSelector(SceneManager *manager, SceneObject *parent);

    // The items draw themselves as descendants.
    void Draw(SDL_Surface *screen) override;
    // Eases the current angle towards the target and places the items.
    void Idle(unsigned int now) override;
    // Left/right user events change the choice and play the select sound.
    void Event(SDL_Event *event) override;
    // data is a SpinSelectorParameter; call once, before adding items.
    void Init(void *data) override;
    // Chooses item index (0 .. size - 1; others are ignored); the circle turns over the
    // following frames.
    virtual void SetSelect(int index);

    int GetSelect() const { return select; }
    int GetSize() const;
    // Item at index as a sprite; null when out of range.
    SpriteImage *GetImage(int index);
    SpriteImage *GetSelectedImage() { return GetImage(select); }
    // The parent to give new items.
    SceneObject *GetSelectionParent();

private:
    // Places every item on the circle at the current angle and sets the active flags.
    void PlaceItems();
};
