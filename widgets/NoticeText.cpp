// NoticeText: rendering and placing the one-line notice.
#include "widgets/NoticeText.h"

#include <algorithm>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

namespace {

const unsigned int kNoticeColour = 0xFFFF6060; ///< light red, readable on every background

} // namespace

NoticeText::NoticeText(SceneManager *manager, SceneObject *parent) : SpriteImage(manager, parent) {}

void NoticeText::Show(const std::string &newText, int y)
{
    text = newText;
    top = y;
    Reload();
}

void NoticeText::Reload()
{
    ContentsManager *contents = manager->GetContentsManager();
    const int screenWidth = manager->GetWidth();
    visible = !text.empty();
    if (text.empty() || contents == nullptr) {
        return;
    }
    LoadStringWithin(contents, text, kNoticeColour, contents->GetDefaultFontSize(),
                     screenWidth - 8);
    const int width = surface != nullptr ? sourceRect.w : 0;
    SDL_Rect at{static_cast<Sint16>(std::max(0, (screenWidth - width) / 2)),
                static_cast<Sint16>(top), 0, 0};
    SetPosition(at);
}

const std::string &NoticeText::TextOf(const NoticeText *notice)
{
    static const std::string none;
    return notice != nullptr ? notice->GetText() : none;
}
