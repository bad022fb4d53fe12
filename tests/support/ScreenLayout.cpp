// ScreenLayout: recording one drawing through the blit log and judging where the texts went.
#include "support/ScreenLayout.h"

#include "content/BlitLog.h"
#include "content/ContentsManager.h"
#include "framework/SceneManager.h"

bool Cross(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.w > 0 && a.h > 0 && b.w > 0 && b.h > 0 && a.x < b.x + b.w && b.x < a.x + a.w &&
           a.y < b.y + b.h && b.y < a.y + a.h;
}

bool Inside(const SDL_Rect &inner, const SDL_Rect &outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

std::string Describe(const SDL_Rect &rect)
{
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " + std::to_string(rect.w) +
           "x" + std::to_string(rect.h);
}

ScreenLayout ScreenLayout::Draw(SceneManager &manager)
{
    ScreenLayout layout;
    layout.width = manager.GetWidth();
    layout.height = manager.GetHeight();
    BlitLog::Start();
    manager.Draw(manager.GetScreen());
    const std::vector<BlitLog::Entry> entries = BlitLog::Stop();
    ContentsManager *contents = manager.GetContentsManager();
    for (const BlitLog::Entry &entry : entries) {
        if (const StringNameContainer *text = contents->TextOf(entry.surface)) {
            layout.texts.push_back(Text{text->text, entry.at});
        } else if (contents->IsFrame(entry.surface)) {
            layout.frames.push_back(entry.at);
        } else {
            layout.pictures.push_back(Picture{entry.surface, entry.at});
        }
    }
    return layout;
}

std::vector<std::string> ScreenLayout::Faults() const
{
    std::vector<std::string> faults;
    const SDL_Rect screen{0, 0, static_cast<Uint16>(width), static_cast<Uint16>(height)};
    for (size_t i = 0; i < texts.size(); i++) {
        const Text &text = texts[i];
        const std::string name = "'" + text.words + "' at " + Describe(text.at);
        if (!Inside(text.at, screen)) {
            faults.push_back(name + " runs past the screen's edge");
        }
        for (size_t j = i + 1; j < texts.size(); j++) {
            if (Cross(text.at, texts[j].at)) {
                faults.push_back(name + " crosses '" + texts[j].words + "' at " +
                                 Describe(texts[j].at));
            }
        }
        for (const SDL_Rect &frame : frames) {
            if (Cross(text.at, frame) && !Inside(text.at, frame)) {
                faults.push_back(name + " crosses the edge of the frame at " + Describe(frame));
            }
        }
    }
    return faults;
}

void ScreenLayout::DropLabelsOfPictures()
{
    std::vector<Text> kept;
    for (const Text &text : texts) {
        bool label = false;
        for (const Picture &picture : pictures) {
            const int dx = 2 * text.at.x + text.at.w - (2 * picture.at.x + picture.at.w);
            const int dy = 2 * text.at.y + text.at.h - (2 * picture.at.y + picture.at.h);
            label = label || (dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2);
        }
        if (!label) {
            kept.push_back(text);
        }
    }
    texts = kept;
}

std::vector<ScreenLayout::Text> ScreenLayout::Find(const std::string &part) const
{
    std::vector<Text> found;
    for (const Text &text : texts) {
        if (text.words.find(part) != std::string::npos) {
            found.push_back(text);
        }
    }
    return found;
}
