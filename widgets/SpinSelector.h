// SpinSelector: a carousel of sprites on a circle that turns the chosen one to a resting spot.
#pragma once

#include <SDL.h>

#include <functional>
#include <map>

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
// each is a SpriteImage. Or, after SetItems, items made on demand: only those in the window of
// places around the chosen one (and the chosen one) exist, so that a list of any length costs
// the same per frame. Left and right user events (codes 0 and 1) move the choice with
// wrap-around; Idle eases the circle towards the chosen item. Only the chosen item is active.
class SpinSelector : public SelectorObject
{
public:
    // Makes item 'index' as a new child of 'parent'.
    using ItemMaker = std::function<SpriteImage *(int index, SceneObject *parent)>;

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
    // True: left or right held down turns on by one item every 50 ms after 400 ms, while the
    // carousel and every object above it are visible.
    bool repeatHeldKeys = false;

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

    // The carousel gets 'count' items made by 'make' when they come into the window (see
    // maxSlots) and destroyed when they leave it, and 'chosen' stands on the resting spot at
    // once. The items there were are destroyed first. Call after Init.
    void SetItems(int count, ItemMaker make, int chosen);

    int GetSelect() const { return select; }
    int GetSize() const;
    // Item at index as a sprite; null when out of range, or when made on demand and not made
    // now (the chosen item and the one in the middle always are).
    SpriteImage *GetImage(int index);
    // Items made on demand that exist now, by index (empty for items that are children).
    const std::map<int, SpriteImage *> &GetMadeItems() const { return made; }
    SpriteImage *GetSelectedImage() { return GetImage(select); }
    // Index of the item standing on the resting spot now: the chosen one once the circle has
    // turned to it, another one while it is still turning.
    int GetMiddle() const;
    // Ends a turn at once: the chosen item stands on the resting spot.
    void FinishTurn();
    // The parent to give new items.
    SceneObject *GetSelectionParent();

private:
    // Left or right held: one more step each repeat interval.
    void RepeatHeldKey(unsigned int now);
    int heldDirection = 0; ///< -1 left, 1 right, 0 neither held at the last Idle
    Uint32 nextRepeat = 0; ///< clock (ms) of the next repeat while held

    // Places every item on the circle at the current angle and sets the active flags.
    void PlaceItems();
    // The same for items made on demand: makes those that came into the window and destroys
    // those that left it first.
    void PlaceMadeItems();
    // Puts one item on the circle at 'angle'; only the chosen one is active.
    void PlaceItem(SpriteImage *item, double angle, bool chosen);
    // Destroys a made item (its destructor runs now, e.g. to save what it holds).
    void DropItem(SpriteImage *item);

    ItemMaker maker;                   ///< set: items are made on demand
    int madeCount = 0;                 ///< items of a carousel made on demand
    std::map<int, SpriteImage *> made; ///< the made items that exist, children of selection
};
