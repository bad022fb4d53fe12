// HistoryPanel: reading the chosen card's history lazily, laying out and drawing its statistics.
#include "menus/HistoryPanel.h"

#include <SDL_gfxPrimitives.h>

#include <algorithm>
#include <cstdio>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"

namespace {

const Uint32 kWhite = 0xFFFFFFFF;
const int kTopScore = 1000000;

// 1234567 as "1,234,567"; a negative number (none) as "-".
std::string Grouped(int value)
{
    if (value < 0)
        return "-";
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

} // namespace

HistoryPanel::HistoryPanel(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent)
{
}

void HistoryPanel::Place(const SDL_Rect &newRoom, std::vector<NoticeText *> newNotices)
{
    room = newRoom;
    notices = std::move(newNotices);
    laidTop = -1;
}

void HistoryPanel::ShowFor(const std::string &newPath, int newPart, int newKeys, bool reread)
{
    if (!reread && newPath == path && newPart == part && newKeys == keys)
        return;
    path = newPath;
    part = newPart;
    keys = newKeys;
    std::vector<PlayHistory::Entry> entries;
    if (!path.empty()) {
        // A history that cannot be read shows as none; the game says why when it writes one.
        PlayHistory::Read(path, entries);
        reads++;
    }
    stats = PlayHistory::StatsOf(entries, part, keys);
    Render();
}

void HistoryPanel::Render()
{
    ContentsManager *contents = manager->GetContentsManager();
    lineTexts = {FormatText(Tr("Plays: %d"), stats.plays),
                 FormatText(Tr("Best: %s"), Grouped(stats.best).c_str()),
                 FormatText(Tr("Last: %s"), Grouped(stats.last).c_str())};
    lines.assign(lineTexts.size(), ImageSet());
    places.assign(lineTexts.size(), SDL_Rect{0, 0, 0, 0});
    if (contents != nullptr) {
        // The lines take at most three fifths of the room's width, the chart the rest.
        const int size = contents->GetDefaultFontSize() * 3 / 4;
        for (size_t i = 0; i < lines.size(); i++)
            lines[i].LoadStringWithin(contents, lineTexts[i], kWhite, size, room.w * 3 / 5);
    }
    laidTop = -1;
}

void HistoryPanel::Reload()
{
    Render();
}

void HistoryPanel::LayOut(int top)
{
    laidTop = top;
    int height = 0;
    int width = 0;
    for (const ImageSet &line : lines) {
        height += line.surface != nullptr ? line.sourceRect.h : 0;
        width = std::max(width, line.surface != nullptr ? static_cast<int>(line.sourceRect.w) : 0);
    }
    const int bottom = room.y + room.h;
    shown = height > 0 && bottom - top >= height;
    chart = SDL_Rect{0, 0, 0, 0};
    if (!shown)
        return;
    int y = bottom - height;
    for (size_t i = 0; i < lines.size(); i++) {
        places[i] = SDL_Rect{static_cast<Sint16>(room.x), static_cast<Sint16>(y), 0, 0};
        y += lines[i].surface != nullptr ? lines[i].sourceRect.h : 0;
    }
    // The chart beside the lines, as tall as they are, when it has room for a few pixels a game.
    const int gap = std::max(4, manager->GetWidth() / 100);
    const int chartLeft = room.x + width + gap;
    const int chartWidth = room.x + room.w - chartLeft;
    if (!stats.recent.empty() && chartWidth >= 2 * PlayHistory::RECENT && height >= 8)
        chart = SDL_Rect{static_cast<Sint16>(chartLeft), static_cast<Sint16>(bottom - height),
                         static_cast<Uint16>(chartWidth), static_cast<Uint16>(height)};
}

void HistoryPanel::Draw(SDL_Surface *screen)
{
    // Below the lowest notice shown (they come and go with the chosen card and the saves).
    int top = room.y;
    for (NoticeText *notice : notices) {
        if (notice != nullptr && notice->visible && notice->surface != nullptr &&
            !notice->GetText().empty()) {
            SDL_Rect at;
            notice->GetPosition(at);
            top = std::max(top, at.y + notice->sourceRect.h + 2);
        }
    }
    if (top != laidTop)
        LayOut(top);
    if (!shown)
        return;
    for (size_t i = 0; i < lines.size(); i++) {
        SDL_Rect at = places[i];
        lines[i].Draw(screen, &at);
    }
    DrawChart(screen);
}

void HistoryPanel::DrawChart(SDL_Surface *screen) const
{
    if (chart.w == 0 || stats.recent.empty())
        return;
    const int left = chart.x;
    const int right = chart.x + chart.w - 1;
    const int top = chart.y;
    const int bottom = chart.y + chart.h - 1;
    // A frame, then the scores from the left (oldest) at even steps, joined by a line.
    rectangleRGBA(screen, static_cast<Sint16>(left), static_cast<Sint16>(top),
                  static_cast<Sint16>(right), static_cast<Sint16>(bottom), 0x80, 0x80, 0x80, 0xFF);
    const int count = static_cast<int>(stats.recent.size());
    const int step = (chart.w - 6) / std::max(1, PlayHistory::RECENT - 1);
    const int radius = std::max(1, std::min(3, chart.h / 10));
    int previousX = 0;
    int previousY = 0;
    for (int i = 0; i < count; i++) {
        const PlayHistory::Entry &game = stats.recent[static_cast<size_t>(i)];
        const int x = left + 3 + i * step;
        const int score = std::max(0, std::min(kTopScore, game.score));
        const int y = bottom - 3 -
                      static_cast<int>(static_cast<long long>(score) * (chart.h - 6) / kTopScore);
        if (i > 0)
            lineRGBA(screen, static_cast<Sint16>(previousX), static_cast<Sint16>(previousY),
                     static_cast<Sint16>(x), static_cast<Sint16>(y), 0xA0, 0xC8, 0xFF, 0xFF);
        Uint8 red = 0x60, green = 0xC0, blue = 0xFF; // a game that counts: light blue
        if (game.failed) {
            red = 0xFF, green = 0x48, blue = 0x48;
        } else if (game.practice) {
            red = 0xFF, green = 0xFF, blue = 0x80;
        }
        filledCircleRGBA(screen, static_cast<Sint16>(x), static_cast<Sint16>(y),
                         static_cast<Sint16>(radius), red, green, blue, 0xFF);
        previousX = x;
        previousY = y;
    }
}
