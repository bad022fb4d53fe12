// StringSelector: choices, bounded left/right selection and drawing with arrows.
#include "widgets/StringSelector.h"

#include <algorithm>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

StringSelector::StringSelector(SceneManager *manager, SceneObject *parent)
    : SelectorObject(manager, parent)
{
}

StringSelector::~StringSelector()
{
    Clear();
}

void StringSelector::PushString(std::string text)
{
    ContentsManager *contents = manager->GetContentsManager();
    ImageSet *white = new ImageSet();
    white->LoadString(contents, text, 0xFFFFFFFF);
    ImageSet *grey = new ImageSet();
    grey->LoadString(contents, text, 0xFF808080);
    bright.push_back(white);
    dim.push_back(grey);
    texts.push_back(text);
    fittedRoom = -1;
    if (grey->surface != nullptr) {
        height = std::max(height, grey->surface->h);
    }
}

void StringSelector::Clear()
{
    for (ImageSet *image : bright) {
        delete image;
    }
    for (ImageSet *image : dim) {
        delete image;
    }
    bright.clear();
    dim.clear();
    texts.clear();
}

void StringSelector::Fit(int room)
{
    ContentsManager *contents = manager->GetContentsManager();
    const int normal = contents->GetDefaultFontSize();
    for (size_t i = 0; i < texts.size(); i++) {
        // Grey, without arrows, the whole width is the text's; bright, between the arrows, it
        // is set smaller (to three quarters) before it is shortened.
        dim[i]->LoadString(contents, contents->FitText(0, texts[i], std::max<int>(1, rect.w)),
                           0xFF808080);
        int size = normal;
        while (size * 4 > normal * 3 && contents->GetTextWidth(size, texts[i]) > room) {
            size--;
        }
        bright[i]->LoadString(contents, contents->FitText(size, texts[i], room), 0xFFFFFFFF, size);
    }
    fittedRoom = room;
}

void StringSelector::SetSelect(int index)
{
    if (index >= 0 && index < GetSize()) {
        select = index;
        Changed();
    }
}

void StringSelector::SetLeftArrow(std::string name)
{
    leftArrow.LoadImage(manager->GetContentsManager(), std::move(name));
}

void StringSelector::SetRightArrow(std::string name)
{
    rightArrow.LoadImage(manager->GetContentsManager(), std::move(name));
}

void StringSelector::Event(SDL_Event *event)
{
    if (event == nullptr || event->type != SDL_USEREVENT) {
        return;
    }
    const int count = GetSize();
    if (event->user.code == 1) {
        if (select + 1 < count) {
            ++select;
            PlaySelectSound();
        } else if (count > 0) {
            select = count - 1;
        }
    } else if (event->user.code == 0) {
        if (select - 1 >= 0) {
            --select;
            PlaySelectSound();
        } else {
            select = 0;
        }
    } else {
        return;
    }
    // Reported also when the choice stayed at an end.
    Changed();
}

void StringSelector::Draw(SDL_Surface *screen)
{
    const int count = GetSize();
    // The chosen text stands between the arrows, clear of them; a single choice has none.
    const int arrow = count < 2 ? 0
                                : std::max<int>(leftArrow.surface ? leftArrow.sourceRect.w : 0,
                                                rightArrow.surface ? rightArrow.sourceRect.w : 0);
    const int room = std::max(1, rect.w - 2 * arrow - 2 * (arrow / 2));
    if (room != fittedRoom && rect.w > 0) {
        Fit(room);
    }
    if (active) {
        if (select > 0 && leftArrow.surface != nullptr) {
            SDL_Rect at{rect.x,
                        static_cast<Sint16>(rect.y + height / 2 - leftArrow.sourceRect.h / 2), 0,
                        0};
            leftArrow.Draw(screen, &at);
        }
        if (select < count - 1 && rightArrow.surface != nullptr) {
            SDL_Rect at{static_cast<Sint16>(rect.x + rect.w - rightArrow.sourceRect.w),
                        static_cast<Sint16>(rect.y + height / 2 - rightArrow.sourceRect.h / 2), 0,
                        0};
            rightArrow.Draw(screen, &at);
        }
    }
    if (select >= 0 && select < count) {
        ImageSet *shown = active ? bright[select] : dim[select];
        const int width = shown->surface != nullptr ? shown->surface->w : 0;
        const int tall = shown->surface != nullptr ? shown->surface->h : height;
        SDL_Rect at{static_cast<Sint16>(rect.x + rect.w / 2 - width / 2),
                    static_cast<Sint16>(rect.y + std::max(0, height - tall) / 2), 0, 0};
        shown->Draw(screen, &at);
    }
}
