// ScoreScene: the result screen: five judgement meters, score, rate and the new records.
#include "game/ScoreScene.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

#include "content/AnimationImage.h"
#include "content/AnimationMeter.h"
#include "content/ContentsManager.h"
#include "content/RateImage.h"
#include "framework/SceneManager.h"
#include "game/ScoreSceneParameter.h"

namespace {
const char *const METER_IMAGES[ScoreScene::METERS] = {"badMeter", "okMeter", "goodMeter",
                                                      "excMeter", "comboMeter"};
const char *const METER_LABELS[ScoreScene::METERS] = {"BAD", "OK", "GOOD", "EXCELLENT", "COMBO"};
const Uint32 WHITE = 0xFFFFFFFF;
const Uint32 LIGHT_YELLOW = 0x00FFFF80;
const int OK_EVENT = 4;
const int CANCEL_EVENT = 5;
} // namespace

ScoreScene::ScoreScene(SceneManager *manager) : Scene(manager) {}

int ScoreScene::ComputeScore(int okPercent, int goodPercent, int excellentPercent, int comboPercent)
{
    return (10 * okPercent + 20 * goodPercent + 100 * excellentPercent) * comboPercent;
}

int ScoreScene::ComputeRate(int okPercent, int goodPercent, int excellentPercent)
{
    return std::min(10, (3 * excellentPercent + 2 * goodPercent + okPercent) * 11 / 300);
}

int ScoreScene::GetRate() const
{
    return ComputeRate(percents[1], percents[2], percents[3]);
}

void ScoreScene::Init(void *data)
{
    ScoreSceneParameter empty;
    ScoreSceneParameter *result = data ? static_cast<ScoreSceneParameter *>(data) : &empty;
    ContentsManager *contents = manager->GetContentsManager();
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    const int bigFont = contents->GetDefaultFontSize() * 2;

    // Every note ends in exactly one judgement, so the four counters add up to the notes.
    long long total =
        static_cast<long long>(result->bad) + result->ok + result->good + result->excellent;
    if (total <= 0)
        total = 1;
    const int counts[METERS] = {result->bad, result->ok, result->good, result->excellent,
                                result->maxCombo};
    for (int i = 0; i < METERS; i++)
        percents[i] = static_cast<int>(static_cast<long long>(counts[i]) * 100 / total);

    // Meters side by side from (W/5, H/10), each with its label under it; every meter rises
    // from 0 to its value in RISE ms.
    Sint16 x = static_cast<Sint16>(width / 5);
    const Sint16 y = static_cast<Sint16>(height / 10);
    for (int i = 0; i < METERS; i++) {
        AnimationMeter *meter = new AnimationMeter(manager, this);
        meter->LoadImage(contents, METER_IMAGES[i], width / 8, height / 2);
        const int meterHeight = meter->sourceRect.h;
        const int meterWidth = meter->frameRect.w;
        SDL_Rect place{x, y, 0, 0};
        meter->SetRelativePosition(place);
        meter->SetValue(0);
        meter->SetTargetValue(percents[i]);
        meter->SetSpeed(static_cast<float>(percents[i] / 500.0f));
        meters[i] = meter;

        AnimationImage *label = new AnimationImage(manager, this);
        label->LoadString(contents, METER_LABELS[i], WHITE);
        SDL_Rect labelPlace{x, static_cast<Sint16>(y + meterHeight), 0, 0};
        label->SetRelativePosition(labelPlace);

        x = static_cast<Sint16>(x + std::max<int>(label->frameRect.w, meterWidth));
    }

    score = ComputeScore(percents[1], percents[2], percents[3], percents[4]);
    newHighScore = result->highScore && score > *result->highScore;
    if (newHighScore)
        *result->highScore = score;
    scoreWriter.Init(contents, bigFont, newHighScore ? LIGHT_YELLOW : WHITE);

    AnimationImage *caption = new AnimationImage(manager, this);
    caption->LoadString(contents, "Score:", WHITE, bigFont);
    SDL_Rect captionPlace{static_cast<Sint16>(width / 2), 0, 0, 0};
    caption->SetRelativePosition(captionPlace);
    scorePosition.x = static_cast<Sint16>(width / 2 + caption->frameRect.w);
    scorePosition.y = 0;

    const int rate = GetRate();
    RateImage *rateImage = new RateImage(manager, this);
    rateImage->SetRate(rate);
    SDL_Rect ratePlace{static_cast<Sint16>(width / 4), 0, 0, 0};
    rateImage->SetRelativePosition(ratePlace);
    if (result->highRate && *result->highRate < rate)
        *result->highRate = rate;

    selectSound = contents->GetAudio("select2");

    practice = result->practice;
    if (practice) {
        AnimationImage *mark = new AnimationImage(manager, this);
        mark->LoadString(contents, "PRACTICE - not recorded", LIGHT_YELLOW, bigFont);
        SDL_Rect markPlace{static_cast<Sint16>(width / 5), static_cast<Sint16>(height * 4 / 5), 0,
                           0};
        mark->SetRelativePosition(markPlace);
    }

    if (data)
        delete result;
}

void ScoreScene::Draw(SDL_Surface *screen)
{
    SDL_Rect place = scorePosition;
    scoreWriter.Print(score, screen, &place, -1);
}

void ScoreScene::Idle(unsigned int) {}

void ScoreScene::Event(SDL_Event *event)
{
    if (closing || event->type != SDL_USEREVENT)
        return;
    if (event->user.code != OK_EVENT && event->user.code != CANCEL_EVENT)
        return;
    if (selectSound)
        Mix_PlayChannelTimed(-1, selectSound, 0, -1);
    manager->DeleteScene(this);
    closing = true;
}
