// PracticeOverlay: the pause menu, the count-in and the practice status lines.
#include "game/PracticeOverlay.h"

#include <algorithm>
#include <cstdio>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "text/MessageCatalog.h"

namespace {
const unsigned int WHITE = 0xFFFFFFFF;
const unsigned int GREY = 0xFF808080;
const unsigned int YELLOW = 0x00FFFF80;
const char *const CHOICE_TEXTS[PracticeOverlay::CHOICES] = {TrNoop("Resume"), TrNoop("Retry"),
                                                            TrNoop("Leave")};
const Uint8 SHADE_ALPHA = 170; ///< 0 transparent .. 255 black

Sint16 Coordinate(int value)
{
    return static_cast<Sint16>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}
} // namespace

PracticeOverlay::PracticeOverlay(SceneManager *manager, SceneObject *parent)
    : SceneObject(manager, parent)
{
}

PracticeOverlay::~PracticeOverlay()
{
    if (shade != nullptr)
        SDL_FreeSurface(shade);
}

void PracticeOverlay::ShowPause()
{
    pauseShown = true;
    countIn = -1;
    choice = RESUME;
}

void PracticeOverlay::ShowCountIn(int msLeft)
{
    pauseShown = false;
    countIn = msLeft;
}

void PracticeOverlay::HidePause()
{
    pauseShown = false;
    countIn = -1;
}

void PracticeOverlay::Move(int step)
{
    choice = ((choice + step) % CHOICES + CHOICES) % CHOICES;
}

void PracticeOverlay::SetSettings(int tempoPercent, bool waitMode)
{
    tempo = tempoPercent;
    wait = waitMode;
}

void PracticeOverlay::SetOffsets(int song, int total)
{
    songOffset = song;
    totalOffset = total;
}

void PracticeOverlay::SetStatus(const std::vector<std::string> &lines)
{
    status = lines;
}

void PracticeOverlay::Render(Text &text, const std::string &value, unsigned int color, int size)
{
    if (text.image.surface != nullptr && text.text == value && text.color == color &&
        text.size == size)
        return;
    text.text = value;
    text.color = color;
    text.size = size;
    text.image.LoadString(manager->GetContentsManager(), value, color, size);
}

void PracticeOverlay::Reload()
{
    // Every text is rendered again at its next drawing.
    for (Text *text : {&title, &entries[0], &entries[1], &entries[2], &settings[0], &settings[1],
                       &settings[2], &help, &count})
        text->image.surface = nullptr;
    for (Text &text : statusTexts)
        text.image.surface = nullptr;
    if (shade != nullptr) {
        SDL_FreeSurface(shade);
        shade = nullptr;
    }
}

void PracticeOverlay::DrawCentred(SDL_Surface *screen, Text &text, int y)
{
    SDL_Rect place{Coordinate((manager->GetWidth() - text.image.sourceRect.w) / 2), Coordinate(y),
                   0, 0};
    text.image.Draw(screen, &place);
}

void PracticeOverlay::Dim(SDL_Surface *screen)
{
    if (shade == nullptr || shade->w != screen->w || shade->h != screen->h) {
        if (shade != nullptr)
            SDL_FreeSurface(shade);
        shade = SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, 32, 0, 0, 0, 0);
        if (shade == nullptr)
            return;
        SDL_FillRect(shade, nullptr, SDL_MapRGB(shade->format, 0, 0, 0));
        SDL_SetAlpha(shade, SDL_SRCALPHA, SHADE_ALPHA);
    }
    SDL_BlitSurface(shade, nullptr, screen, nullptr);
}

void PracticeOverlay::Draw(SDL_Surface *screen)
{
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    const int font = manager->GetContentsManager()->GetDefaultFontSize();

    // Status lines at the bottom right, the last one lowest.
    statusTexts.resize(status.size());
    int y = height;
    for (size_t i = status.size(); i-- > 0;) {
        Render(statusTexts[i], status[i], YELLOW, font);
        y -= statusTexts[i].image.sourceRect.h;
        SDL_Rect place{Coordinate(width - statusTexts[i].image.sourceRect.w - font / 2),
                       Coordinate(y), 0, 0};
        statusTexts[i].image.Draw(screen, &place);
    }

    if (countIn >= 0) {
        // 3, 2, 1: one number per half second of the count-in.
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", countIn / 500 + 1);
        Render(count, digits, WHITE, font * 4);
        DrawCentred(screen, count, height / 3);
        return;
    }
    if (!pauseShown)
        return;

    Dim(screen);
    Render(title, Tr("PAUSED"), WHITE, font * 3);
    for (int i = 0; i < CHOICES; i++)
        Render(entries[i], Tr(CHOICE_TEXTS[i]), i == choice ? WHITE : GREY, font * 2);
    char text[96];
    std::snprintf(text, sizeof text, Tr("Tempo: %d %%   (- +)"), tempo);
    Render(settings[0], text, YELLOW, font);
    Render(settings[1], wait ? Tr("Wait mode: on   (W)") : Tr("Wait mode: off   (W)"), YELLOW,
           font);
    std::snprintf(text, sizeof text, Tr("Song offset: %+d ms (total %+d ms)   ([ ])"), songOffset,
                  totalOffset);
    Render(settings[2], text, YELLOW, font);
    Render(help, Tr("P: resume   Return: choose   Escape: leave"), GREY, font);

    // The menu a sixth of the way down, or higher when it would reach the status lines (a
    // small window).
    const int statusTop = y;
    int menuHeight = 3 * font;
    for (Text *text : {&title, &entries[0], &entries[1], &entries[2], &settings[0], &settings[1],
                       &settings[2], &help})
        menuHeight += text->image.sourceRect.h;
    y = std::max(0, std::min(height / 6, statusTop - font / 2 - menuHeight));
    DrawCentred(screen, title, y);
    y += title.image.sourceRect.h + font;
    for (Text &entry : entries) {
        DrawCentred(screen, entry, y);
        y += entry.image.sourceRect.h;
    }
    y += font;
    for (Text &line : settings) {
        DrawCentred(screen, line, y);
        y += line.image.sourceRect.h;
    }
    y += font;
    DrawCentred(screen, help, y);
}
