// ScoreScene: the result screen: five judgement meters, score, rate and the new records.
#include "game/ScoreScene.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/JudgementDisplay.h"
#include "game/ScoreSceneParameter.h"
#include "game/TimingSummary.h"
#include "game/TimingWindows.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationImage.h"
#include "widgets/AnimationMeter.h"
#include "widgets/RateImage.h"

namespace {
const char *const METER_IMAGES[ScoreScene::METERS] = {"badMeter", "okMeter", "goodMeter",
                                                      "excMeter", "comboMeter"};
const char *const METER_LABELS[ScoreScene::METERS] = {TrNoop("BAD"), TrNoop("OK"), TrNoop("GOOD"),
                                                      TrNoop("EXCELLENT"), TrNoop("COMBO")};
const Uint32 WHITE = 0xFFFFFFFF;
const Uint32 LIGHT_YELLOW = 0x00FFFF80;
const int OK_EVENT = 4;
const int CANCEL_EVENT = 5;
const Uint32 GREY = 0xFFB0B0B0;
const Uint32 FAILED_RED = 0xFFFF4848;
const int RETRY_KEY = 'r'; // SDLK_r
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

    // Meters side by side from (W/5, H/10), each with its label and its count and percentage
    // under it, a gap between the columns; every meter rises from 0 to its value in RISE ms.
    const int gap = width / 60;
    const int smallFont = contents->GetDefaultFontSize() * 3 / 4;
    int columnBottom = 0;
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
        label->LoadString(contents, Tr(METER_LABELS[i]), WHITE);
        SDL_Rect labelPlace{x, static_cast<Sint16>(y + meterHeight), 0, 0};
        label->SetRelativePosition(labelPlace);

        AnimationImage *number = new AnimationImage(manager, this);
        number->LoadString(contents, FormatText("%d (%d%%)", counts[i], percents[i]), GREY,
                           smallFont);
        SDL_Rect numberPlace{x, static_cast<Sint16>(labelPlace.y + label->frameRect.h), 0, 0};
        number->SetRelativePosition(numberPlace);
        columnBottom = std::max(columnBottom, numberPlace.y + number->frameRect.h);

        const int columnWidth = std::max({static_cast<int>(label->frameRect.w),
                                          static_cast<int>(number->frameRect.w), meterWidth});
        x = static_cast<Sint16>(x + columnWidth + gap);
    }

    // How the hits were timed: mean and spread, early and late, and a histogram.
    const TimingSummary timing(result->errors);
    AnimationImage *timingText = new AnimationImage(manager, this);
    timingLine = timing.GetCount() == 0
                     ? std::string(Tr("Timing: no hits"))
                     : FormatText(Tr("Timing: mean %+ld ms, spread %ld ms, early %d, late %d"),
                                  std::lround(timing.GetMean()), std::lround(timing.GetSpread()),
                                  timing.GetEarly(), timing.GetLate());
    timingText->LoadString(contents, timingLine, WHITE, smallFont);
    SDL_Rect timingPlace{static_cast<Sint16>(width / 5), static_cast<Sint16>(columnBottom + gap), 0,
                         0};
    timingText->SetRelativePosition(timingPlace);
    histogram = timing.GetBins();
    histogramRect.x = static_cast<Sint16>(width / 5);
    histogramRect.y = static_cast<Sint16>(timingPlace.y + timingText->frameRect.h + gap);
    histogramRect.w = static_cast<Uint16>(std::max(TimingSummary::BINS, width * 3 / 5) /
                                          TimingSummary::BINS * TimingSummary::BINS);
    AnimationImage *earlyLabel = new AnimationImage(manager, this);
    earlyLabel->LoadString(contents, Tr("early -150 ms"), GREY, smallFont);
    AnimationImage *lateLabel = new AnimationImage(manager, this);
    lateLabel->LoadString(contents, Tr("+150 ms late"), GREY, smallFont);
    histogramRect.h = static_cast<Uint16>(std::max(
        8, std::min(height / 5, height - histogramRect.y - earlyLabel->frameRect.h - gap)));
    // The ends of the histogram named under it.
    SDL_Rect earlyPlace{histogramRect.x, static_cast<Sint16>(histogramRect.y + histogramRect.h + 2),
                        0, 0};
    earlyLabel->SetRelativePosition(earlyPlace);
    SDL_Rect latePlace{
        static_cast<Sint16>(histogramRect.x + histogramRect.w - lateLabel->frameRect.w),
        earlyPlace.y, 0, 0};
    lateLabel->SetRelativePosition(latePlace);

    score = ComputeScore(percents[1], percents[2], percents[3], percents[4]);
    // A game that is not recorded still shows the record that stands.
    const bool recorded = !result->practice && !result->failed && !result->demo;
    retry = std::move(result->retry);
    previousBest = result->highScore ? *result->highScore : -1;
    newHighScore = recorded && result->highScore && score > *result->highScore;
    if (newHighScore)
        *result->highScore = score;
    scoreWriter.Init(contents, bigFont, newHighScore ? LIGHT_YELLOW : WHITE);

    AnimationImage *caption = new AnimationImage(manager, this);
    caption->LoadString(contents, Tr("Score:"), WHITE, bigFont);
    // "Score:" and the number from the middle of the screen, moved left as far as the number
    // needs to end a margin (1 % of the width) before the right edge: seven digits do not fit
    // right of the middle of a narrow screen.
    const int digitsWidth = scoreWriter.GetWidth(score);
    const int scoreLeft =
        std::max(0, std::min(width / 2, width - width / 100 - caption->frameRect.w - digitsWidth));
    SDL_Rect captionPlace{static_cast<Sint16>(scoreLeft), 0, 0, 0};
    caption->SetRelativePosition(captionPlace);
    scorePosition.x = static_cast<Sint16>(scoreLeft + caption->frameRect.w);
    scorePosition.y = 0;
    scoreRight = scorePosition.x + digitsWidth;

    // The previous best beside the new score, under it.
    AnimationImage *best = new AnimationImage(manager, this);
    previousBestText = previousBest > 0 ? FormatText(Tr("Previous best: %d"), previousBest)
                                        : std::string(Tr("Previous best: none"));
    best->LoadString(contents, previousBestText, newHighScore ? LIGHT_YELLOW | 0xFF000000 : GREY,
                     smallFont);
    SDL_Rect bestPlace{static_cast<Sint16>(scoreLeft), static_cast<Sint16>(caption->frameRect.h), 0,
                       0};
    best->SetRelativePosition(bestPlace);
    if (newHighScore) {
        AnimationImage *record = new AnimationImage(manager, this);
        record->LoadString(contents, Tr("NEW RECORD"), LIGHT_YELLOW | 0xFF000000, smallFont);
        SDL_Rect recordPlace{static_cast<Sint16>(bestPlace.x + best->frameRect.w + gap),
                             bestPlace.y, 0, 0};
        record->SetRelativePosition(recordPlace);
        recordLabel = record;
    }

    const int rate = GetRate();
    RateImage *rateImage = new RateImage(manager, this);
    rateImage->SetRate(rate);
    // At W / 4, or further left when the score had to move left to fit.
    const int rateLeft = std::max(0, std::min(width / 4, scoreLeft - rateImage->GetWidth() - gap));
    SDL_Rect ratePlace{static_cast<Sint16>(rateLeft), 0, 0, 0};
    rateImage->SetRelativePosition(ratePlace);
    if (recorded && result->highRate && *result->highRate < rate)
        *result->highRate = rate;

    selectSound = contents->GetAudio("select2");

    // The keys of this screen, under the previous best (the bottom holds the histogram).
    AnimationImage *help = new AnimationImage(manager, this);
    help->LoadString(contents,
                     Tr(retry ? TrNoop("Return / Escape: back to the songs   R: again")
                              : TrNoop("Return / Escape: back to the songs")),
                     GREY, smallFont);
    SDL_Rect helpPlace{static_cast<Sint16>(scoreLeft),
                       static_cast<Sint16>(bestPlace.y + best->frameRect.h), 0, 0};
    help->SetRelativePosition(helpPlace);

    practice = result->practice;
    failed = result->failed;
    demo = result->demo;
    // One trace line with the counts, like the other trace lines, for scripts that play the
    // real game.
    std::fprintf(stderr, "result: bad %d ok %d good %d excellent %d combo %d score %d%s\n",
                 result->bad, result->ok, result->good, result->excellent, result->maxCombo, score,
                 failed ? " failed" : (demo ? " demo" : (practice ? " practice" : "")));
    if (!recorded) {
        // One mark says why nothing was stored: failing first, then a demo, then practice.
        AnimationImage *mark = new AnimationImage(manager, this);
        const char *why =
            failed ? TrNoop("FAILED - not recorded")
                   : (demo ? TrNoop("DEMO - not recorded") : TrNoop("PRACTICE - not recorded"));
        mark->LoadString(contents, Tr(why), failed ? FAILED_RED : LIGHT_YELLOW, bigFont);
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
    DrawHistogram(screen);
}

void ScoreScene::DrawHistogram(SDL_Surface *screen)
{
    const int most = histogram.empty() ? 0 : *std::max_element(histogram.begin(), histogram.end());
    if (histogramRect.h == 0)
        return;
    // The axis, then one bar per bin in the colour of the judgement its errors get.
    const int bins = static_cast<int>(histogram.size());
    const int binWidth = histogramRect.w / std::max(1, bins);
    const int bottom = histogramRect.y + histogramRect.h;
    SDL_Rect axis{histogramRect.x, static_cast<Sint16>(bottom), histogramRect.w, 1};
    SDL_FillRect(screen, &axis, SDL_MapRGB(screen->format, 0x80, 0x80, 0x80));
    SDL_Rect centre{static_cast<Sint16>(histogramRect.x + histogramRect.w / 2), histogramRect.y, 1,
                    histogramRect.h};
    SDL_FillRect(screen, &centre, SDL_MapRGB(screen->format, 0x80, 0x80, 0x80));
    for (int i = 0; i < bins && most > 0; i++) {
        const int middle = -TimingSummary::RANGE + i * TimingSummary::BIN + TimingSummary::BIN / 2;
        const int value = TimingWindows::For(std::abs(middle));
        const Uint32 rgb = JudgementDisplay::ColorOf(value);
        const int barHeight = histogram[i] * histogramRect.h / most;
        SDL_Rect bar{static_cast<Sint16>(histogramRect.x + i * binWidth + 1),
                     static_cast<Sint16>(bottom - barHeight),
                     static_cast<Uint16>(std::max(1, binWidth - 2)),
                     static_cast<Uint16>(barHeight)};
        SDL_FillRect(screen, &bar,
                     SDL_MapRGB(screen->format, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
    }
}

void ScoreScene::Idle(unsigned int) {}

void ScoreScene::Event(SDL_Event *event)
{
    if (closing)
        return;
    if (event->type == SDL_KEYDOWN && event->key.keysym.sym == RETRY_KEY && retry) {
        // The same game again, in place of this screen: the song selection stays below.
        if (selectSound)
            Mix_PlayChannelTimed(-1, selectSound, 0, -1);
        manager->DeleteScene(this);
        manager->AddScene(new GameScene(manager), retry.release());
        closing = true;
        return;
    }
    if (event->type != SDL_USEREVENT)
        return;
    if (event->user.code != OK_EVENT && event->user.code != CANCEL_EVENT)
        return;
    if (selectSound)
        Mix_PlayChannelTimed(-1, selectSound, 0, -1);
    manager->DeleteScene(this);
    closing = true;
}
