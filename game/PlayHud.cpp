// PlayHud: the play scene's line of the song's title, the accuracy so far and the time left.
#include "game/PlayHud.h"

#include <SDL.h>

#include <algorithm>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "game/ScoreScene.h"
#include "text/MessageCatalog.h"

namespace {
const Uint32 WHITE = 0xFFFFFFFF;
const Uint32 LIGHT_BLUE = 0xFFA0D8FF;

Sint16 Coordinate(int value)
{
    return static_cast<Sint16>(std::max(-32768, std::min(32767, value)));
}
} // namespace

PlayHud::PlayHud(SceneManager *manager, SceneObject *parent) : SceneObject(manager, parent) {}

void PlayHud::Load(ContentsManager *contentsManager, const std::string &songTitle)
{
    contents = contentsManager;
    title = songTitle;
    fontSize = contents->GetDefaultFontSize();
    fittedFor = -1;
}

int PlayHud::AccuracyPoints(int bad, int ok, int good, int excellent)
{
    const long long total = static_cast<long long>(bad) + ok + good + excellent;
    if (total <= 0)
        return -1;
    // Whole percents, as the result screen takes them, so that the last value gives its rate.
    const auto percent = [total](int count) {
        return static_cast<int>(static_cast<long long>(count) * 100 / total);
    };
    return ScoreScene::RatePoints(percent(ok), percent(good), percent(excellent));
}

std::string PlayHud::AccuracyText(int points)
{
    return points < 0 ? FormatText(Tr("Accuracy %s"), "--")
                      : FormatText(Tr("Accuracy %s"), FormatText("%d %%", points / 3).c_str());
}

std::string PlayHud::TimeLeftText(int songMsLeft, int tempo)
{
    // The player's ms: at 50 % the song takes twice as long.
    const long long playerMs =
        std::max(0LL, static_cast<long long>(songMsLeft) * 100 / std::max(1, tempo));
    const long long seconds = (playerMs + 999) / 1000;
    return FormatText(Tr("Left %lld:%02lld"), seconds / 60, seconds % 60);
}

void PlayHud::Render(ImageSet &image, std::string &shown, const std::string &text, Uint32 color)
{
    if (text == shown && (image.surface || text.empty()))
        return;
    shown = text;
    image.surface = nullptr;
    image.sourceRect = SDL_Rect{0, 0, 0, 0};
    if (!text.empty() && contents)
        image.LoadString(contents, text, color, fontSize);
}

void PlayHud::Show(int bad, int ok, int good, int excellent, int songMsLeft, int tempo,
                   int bottomEdge)
{
    bottom = bottomEdge;
    Render(accuracyImage, accuracyShown, AccuracyText(AccuracyPoints(bad, ok, good, excellent)),
           LIGHT_BLUE);
    Render(timeImage, timeShown, TimeLeftText(songMsLeft, tempo), LIGHT_BLUE);
    if (!contents)
        return;
    // The title takes what the widest accuracy and this time leave, so that it keeps its
    // length while the numbers change.
    const int width = manager->GetWidth();
    const int gap = std::max(4, fontSize);
    const int right = contents->GetTextWidth(fontSize, AccuracyText(300)) + gap +
                      contents->GetTextWidth(fontSize, timeShown);
    const int room = std::max(0, width - 2 * (gap / 2) - gap - right);
    if (room != fittedFor) {
        fittedFor = room;
        titleShown.clear();
        Render(titleImage, titleShown, contents->FitText(fontSize, title, room), WHITE);
    }
}

int PlayHud::GetHeight() const
{
    return std::max({titleImage.sourceRect.h, accuracyImage.sourceRect.h, timeImage.sourceRect.h});
}

void PlayHud::Draw(SDL_Surface *screen)
{
    const int width = manager->GetWidth();
    const int margin = std::max(4, fontSize) / 2;
    const int gap = std::max(4, fontSize);
    const int top = bottom - GetHeight();
    SDL_Rect at{Coordinate(margin), Coordinate(top), 0, 0};
    if (titleImage.surface)
        titleImage.Draw(screen, &at);
    const int timeLeft = width - margin - timeImage.sourceRect.w;
    at = SDL_Rect{Coordinate(timeLeft), Coordinate(top), 0, 0};
    if (timeImage.surface)
        timeImage.Draw(screen, &at);
    at = SDL_Rect{Coordinate(timeLeft - gap - accuracyImage.sourceRect.w), Coordinate(top), 0, 0};
    if (accuracyImage.surface)
        accuracyImage.Draw(screen, &at);
}
