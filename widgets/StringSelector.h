// StringSelector: a one-line chooser showing the chosen string between left and right arrows.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "content/ImageSet.h"
#include "widgets/SelectorObject.h"

// Left and right user events (codes 0 and 1) move the choice without wrap-around; the select
// sound plays only when the choice moved. Drawn bright with arrows while active, grey without
// arrows otherwise.
class StringSelector : public SelectorObject
{
public:
    SDL_Rect rect{0, 0, 0, 0};      ///< the area the widget occupies (screen pixels)
    int select = 0;                 ///< index of the chosen string
    int height = 0;                 ///< height of the tallest string pushed so far (pixels)
    std::vector<ImageSet *> bright; ///< owned; one white rendering per choice
    std::vector<ImageSet *> dim;    ///< owned; the same strings in grey
    ImageSet leftArrow;
    ImageSet rightArrow;
    std::vector<std::string> texts; ///< the choices as pushed
    int fittedRoom = -1;            ///< pixels between the arrows the renderings were fitted to

    StringSelector(SceneManager *manager, SceneObject *parent);
    ~StringSelector() override;

    void Draw(SDL_Surface *screen) override;
    void Event(SDL_Event *event) override;

    // Appends a choice (rendered white and grey at the default font size).
    void PushString(std::string text);
    // Removes every choice; the index keeps its value.
    void Clear();
    // Chooses index if it is in range; otherwise nothing happens.
    void SetSelect(int index);
    int GetSelect() const { return select; }
    int GetSize() const { return static_cast<int>(bright.size()); }
    // The area; a chosen text wider than the room between the arrows is set smaller, then
    // shortened with an ellipsis, when it is next drawn (grey, without arrows, it has the
    // whole width).
    void SetRect(SDL_Rect newRect) { rect = newRect; }
    int GetHeight() const { return height; }
    void SetLeftArrow(std::string name);
    void SetRightArrow(std::string name);

private:
    // Renders the choices again: bright ones fitted to 'room' pixels, grey ones to the width.
    void Fit(int room);
};
