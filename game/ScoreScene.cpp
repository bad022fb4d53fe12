// ScoreScene: the result screen: five judgement meters, score, rate and the new records.
#include "game/ScoreScene.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/JudgementDisplay.h"
#include "game/ReplayCheck.h"
#include "game/ScoreSceneParameter.h"
#include "game/TimingSummary.h"
#include "game/TimingWindows.h"
#include "platform/GamePaths.h"
#include "song/PlayHistory.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationImage.h"
#include "widgets/AnimationMeter.h"
#include "widgets/NoticeLayout.h"
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
const int WATCH_KEY = 'v'; // SDLK_v
} // namespace

ScoreScene::ScoreScene(SceneManager *manager) : Scene(manager) {}

int ScoreScene::ComputeScore(int okPercent, int goodPercent, int excellentPercent, int comboPercent)
{
    return (10 * okPercent + 20 * goodPercent + 100 * excellentPercent) * comboPercent;
}

void ScoreScene::ComputePercents(const int counts[METERS], int percents[METERS])
{
    // Every note ends in exactly one judgement, so the four counters add up to the notes.
    long long total = static_cast<long long>(counts[0]) + counts[1] + counts[2] + counts[3];
    if (total <= 0)
        total = 1;
    for (int i = 0; i < METERS; i++)
        percents[i] = static_cast<int>(static_cast<long long>(counts[i]) * 100 / total);
}

int ScoreScene::ComputeRate(int okPercent, int goodPercent, int excellentPercent)
{
    return std::min(10, RatePoints(okPercent, goodPercent, excellentPercent) * 11 / 300);
}

int ScoreScene::RatePoints(int okPercent, int goodPercent, int excellentPercent)
{
    return 3 * excellentPercent + 2 * goodPercent + okPercent;
}

int ScoreScene::MinimumNoticeSize(int smallFont)
{
    return std::max(MIN_NOTICE_SIZE, smallFont * 3 / 4);
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

    const int counts[METERS] = {result->bad, result->ok, result->good, result->excellent,
                                result->maxCombo};
    ComputePercents(counts, percents);

    score = ComputeScore(percents[1], percents[2], percents[3], percents[4]);
    // A game that is not recorded still shows the record that stands.
    const bool recorded = !result->practice && !result->failed && !result->demo && !result->watched;
    retry = std::move(result->retry);
    replay = result->replay;
    watched = result->watched;
    previousBest = result->highScore ? *result->highScore : -1;
    newHighScore = recorded && result->highScore && score > *result->highScore;
    if (newHighScore)
        *result->highScore = score;
    scoreWriter.Init(contents, bigFont, newHighScore ? LIGHT_YELLOW : WHITE);
    practice = result->practice;
    failed = result->failed;
    demo = result->demo;
    AddToHistory(*result);
    // Every file this game could not be kept in, each on its own line (a full disk fails them
    // all, each for its own reason).
    if (!historyProblem.empty())
        notices.push_back(historyProblem);
    if (!result->replayProblem.empty())
        notices.push_back(
            FormatText(Tr("This game's replay was not kept: %s"), result->replayProblem.c_str()));
    if (!result->bestReplayProblem.empty())
        notices.push_back(FormatText(Tr("This game was not kept as the best replay: %s"),
                                     result->bestReplayProblem.c_str()));

    // From the top: the rate and the score with the previous best under it; from the bottom:
    // the keys of the screen, the mark of a game that is not recorded, the histogram with the
    // timing line over it. The meters with their labels take the height in between, so that
    // nothing runs into anything else at any window size.
    const int gap = width / 60;
    const int margin = width / 100;
    const int smallFont = contents->GetDefaultFontSize() * 3 / 4;
    const int topBottom = LayOutScore(result, recorded, bigFont, smallFont, gap);

    int bottom = height - margin;
    AnimationImage *help = new AnimationImage(manager, this);
    help->LoadStringWithin(contents,
                           Tr(CanWatch() ? TrNoop("Return / Escape: back to the songs   R: again   "
                                                  "V: watch again")
                              : retry    ? TrNoop("Return / Escape: back to the songs   R: again")
                                         : TrNoop("Return / Escape: back to the songs")),
                           GREY, smallFont, width - 2 * margin);
    help->frameRect = help->sourceRect;
    bottom -= help->frameRect.h;
    SDL_Rect helpPlace{static_cast<Sint16>(margin), static_cast<Sint16>(bottom), 0, 0};
    help->SetRelativePosition(helpPlace);
    // The game is shown but could not be kept: said over the keys of the screen, in letters
    // still read at a glance, on as many lines as it takes.
    const std::vector<NoticeLine> lines =
        NoticeLayout::Lay(notices, width - 2 * margin, smallFont, MinimumNoticeSize(smallFont),
                          [contents](int size, const std::string &text) {
                              return contents->GetTextWidth(size, text);
                          });
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        AnimationImage *unsaved = new AnimationImage(manager, this);
        unsaved->LoadString(contents, line->text, FAILED_RED, line->size);
        unsaved->frameRect = unsaved->sourceRect;
        bottom -= unsaved->frameRect.h;
        SDL_Rect unsavedPlace{static_cast<Sint16>(margin), static_cast<Sint16>(bottom), 0, 0};
        unsaved->SetRelativePosition(unsavedPlace);
    }

    // One trace line with the counts, like the other trace lines, for scripts that play the
    // real game.
    std::fprintf(stderr, "result: bad %d ok %d good %d excellent %d combo %d score %d%s\n",
                 result->bad, result->ok, result->good, result->excellent, result->maxCombo, score,
                 failed ? " failed" : (demo ? " demo" : (practice ? " practice" : "")));
    if (!recorded) {
        // One mark says why nothing was stored: failing first, then a demo, a replay, practice.
        AnimationImage *mark = new AnimationImage(manager, this);
        const char *why = failed    ? TrNoop("FAILED - not recorded")
                          : demo    ? TrNoop("DEMO - not recorded")
                          : watched ? TrNoop("REPLAY - not recorded")
                                    : TrNoop("PRACTICE - not recorded");
        mark->LoadStringWithin(contents, Tr(why), failed ? FAILED_RED : LIGHT_YELLOW, bigFont,
                               width - width / 5 - margin);
        mark->frameRect = mark->sourceRect;
        bottom -= mark->frameRect.h;
        SDL_Rect markPlace{static_cast<Sint16>(width / 5), static_cast<Sint16>(bottom), 0, 0};
        mark->SetRelativePosition(markPlace);
    }

    // How the hits were timed: mean and spread, early and late, and a histogram with its ends
    // named under it.
    AnimationImage *earlyLabel = new AnimationImage(manager, this);
    earlyLabel->LoadString(contents, Tr("early -150 ms"), GREY, smallFont);
    AnimationImage *lateLabel = new AnimationImage(manager, this);
    lateLabel->LoadString(contents, Tr("+150 ms late"), GREY, smallFont);
    bottom -= earlyLabel->frameRect.h + 2;
    histogramRect.x = static_cast<Sint16>(width / 5);
    histogramRect.w = static_cast<Uint16>(std::max(TimingSummary::BINS, width * 3 / 5) /
                                          TimingSummary::BINS * TimingSummary::BINS);
    histogramRect.h = static_cast<Uint16>(std::max(8, height / 10));
    histogramRect.y = static_cast<Sint16>(bottom - histogramRect.h);
    SDL_Rect earlyPlace{histogramRect.x, static_cast<Sint16>(bottom + 2), 0, 0};
    earlyLabel->SetRelativePosition(earlyPlace);
    SDL_Rect latePlace{
        static_cast<Sint16>(histogramRect.x + histogramRect.w - lateLabel->frameRect.w),
        earlyPlace.y, 0, 0};
    lateLabel->SetRelativePosition(latePlace);
    bottom = histogramRect.y - gap;

    const TimingSummary timing(result->errors);
    histogram = timing.GetBins();
    AnimationImage *timingText = new AnimationImage(manager, this);
    timingLine = timing.GetCount() == 0
                     ? std::string(Tr("Timing: no hits"))
                     : FormatText(Tr("Timing: mean %+ld ms, spread %ld ms, early %d, late %d"),
                                  std::lround(timing.GetMean()), std::lround(timing.GetSpread()),
                                  timing.GetEarly(), timing.GetLate());
    timingText->LoadStringWithin(contents, timingLine, WHITE, smallFont,
                                 width - width / 5 - margin);
    timingText->frameRect = timingText->sourceRect;
    bottom -= timingText->frameRect.h;
    SDL_Rect timingPlace{static_cast<Sint16>(width / 5), static_cast<Sint16>(bottom), 0, 0};
    timingText->SetRelativePosition(timingPlace);
    bottom -= gap;

    LayOutMeters(counts, topBottom + gap, bottom, smallFont, gap);
    selectSound = contents->GetAudio("select2");
    if (data)
        delete result;
}

int ScoreScene::LayOutScore(ScoreSceneParameter *result, bool recorded, int bigFont, int smallFont,
                            int gap)
{
    ContentsManager *contents = manager->GetContentsManager();
    const int width = manager->GetWidth();
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

    // The previous best under the score, "NEW RECORD" beside it or, when that does not fit,
    // under it.
    const int roomRight = width - width / 100 - scoreLeft;
    AnimationImage *best = new AnimationImage(manager, this);
    previousBestText = previousBest > 0 ? FormatText(Tr("Previous best: %d"), previousBest)
                                        : std::string(Tr("Previous best: none"));
    best->LoadStringWithin(contents, previousBestText,
                           newHighScore ? LIGHT_YELLOW | 0xFF000000 : GREY, smallFont, roomRight);
    best->frameRect = best->sourceRect;
    SDL_Rect bestPlace{static_cast<Sint16>(scoreLeft), static_cast<Sint16>(caption->frameRect.h), 0,
                       0};
    best->SetRelativePosition(bestPlace);
    int bottom = bestPlace.y + best->frameRect.h;
    if (newHighScore) {
        AnimationImage *record = new AnimationImage(manager, this);
        record->LoadStringWithin(contents, Tr("NEW RECORD"), LIGHT_YELLOW | 0xFF000000, smallFont,
                                 roomRight);
        record->frameRect = record->sourceRect;
        SDL_Rect recordPlace{static_cast<Sint16>(bestPlace.x + best->frameRect.w + gap),
                             bestPlace.y, 0, 0};
        if (recordPlace.x + record->frameRect.w > scoreLeft + roomRight) {
            recordPlace.x = bestPlace.x;
            recordPlace.y = static_cast<Sint16>(bottom);
            bottom += record->frameRect.h;
        }
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
    return std::max(bottom, rateImage->GetHeight());
}

void ScoreScene::LayOutMeters(const int counts[METERS], int top, int bottom, int smallFont, int gap)
{
    ContentsManager *contents = manager->GetContentsManager();
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    // Each column: the meter, its label under it and its count and percentage under that; the
    // tree keeps them in that order.
    AnimationImage *labels[METERS];
    AnimationImage *numbers[METERS];
    int textHeight = 0;
    for (int i = 0; i < METERS; i++) {
        meters[i] = new AnimationMeter(manager, this);
        labels[i] = new AnimationImage(manager, this);
        labels[i]->LoadString(contents, Tr(METER_LABELS[i]), WHITE);
        numbers[i] = new AnimationImage(manager, this);
        numbers[i]->LoadString(contents, FormatText("%d (%d%%)", counts[i], percents[i]), GREY,
                               smallFont);
        textHeight = std::max(textHeight, labels[i]->frameRect.h + numbers[i]->frameRect.h);
    }
    // Meters H / 2 tall, or shorter when the screen has less room between the score and the
    // timing line; W / 8 wide.
    const int meterHeight = std::max(8, std::min(height / 2, bottom - top - textHeight));
    int columnWidths[METERS];
    int total = 0;
    for (int i = 0; i < METERS; i++) {
        meters[i]->LoadImage(contents, METER_IMAGES[i], width / 8, meterHeight);
        columnWidths[i] = std::max({static_cast<int>(labels[i]->frameRect.w),
                                    static_cast<int>(numbers[i]->frameRect.w),
                                    static_cast<int>(meters[i]->frameRect.w)});
        total += columnWidths[i] + (i > 0 ? gap : 0);
    }
    // From W / 5, or further left when the columns need the room.
    Sint16 x = static_cast<Sint16>(
        std::max(width / 100, std::min(width / 5, width - width / 100 - total)));
    const Sint16 y = static_cast<Sint16>(top);
    for (int i = 0; i < METERS; i++) {
        AnimationMeter *meter = meters[i];
        SDL_Rect place{x, y, 0, 0};
        meter->SetRelativePosition(place);
        meter->SetValue(0);
        meter->SetTargetValue(percents[i]);
        meter->SetSpeed(static_cast<float>(percents[i] / 500.0f));
        SDL_Rect labelPlace{x, static_cast<Sint16>(y + meter->sourceRect.h), 0, 0};
        labels[i]->SetRelativePosition(labelPlace);
        SDL_Rect numberPlace{x, static_cast<Sint16>(labelPlace.y + labels[i]->frameRect.h), 0, 0};
        numbers[i]->SetRelativePosition(numberPlace);
        x = static_cast<Sint16>(x + columnWidths[i] + gap);
    }
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

void ScoreScene::AddToHistory(const ScoreSceneParameter &result)
{
    if (result.historyPath.empty() || result.demo)
        return;
    const TimingSummary timing(result.errors);
    PlayHistory::Entry entry;
    entry.when = static_cast<int64_t>(std::time(nullptr));
    entry.part = result.part;
    entry.keys = result.keys;
    entry.score = score;
    entry.rate = GetRate();
    entry.excellent = result.excellent;
    entry.good = result.good;
    entry.ok = result.ok;
    entry.bad = result.bad;
    entry.maxCombo = result.maxCombo;
    entry.meanTenths = PlayHistory::ToTenths(timing.GetMean());
    entry.spreadTenths = PlayHistory::ToTenths(timing.GetSpread());
    entry.practice = result.practice;
    entry.failed = result.failed;
    std::string reason;
    if (!PlayHistory::Append(result.historyPath, entry, &reason)) {
        std::fprintf(stderr, "history not saved: %s: %s\n", result.historyPath.c_str(),
                     reason.c_str());
        historyProblem = FormatText(Tr("This game was not added to the song's history %s: %s"),
                                    Paths().ShownPath(result.historyPath).c_str(), reason.c_str());
    }
}

void ScoreScene::Idle(unsigned int) {}

void ScoreScene::Event(SDL_Event *event)
{
    if (closing)
        return;
    if (event->type == SDL_KEYDOWN && event->key.keysym.sym == WATCH_KEY && CanWatch()) {
        Watch();
        return;
    }
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

void ScoreScene::Watch()
{
    // A song changed since the game was played is not played with another song's input.
    std::string reason;
    if (!retry->songPath.empty() && !ReplayCheck::SameSong(*replay, retry->songPath, reason)) {
        if (notice == nullptr) {
            ContentsManager *contents = manager->GetContentsManager();
            AnimationImage *text = new AnimationImage(manager, this);
            const int width = manager->GetWidth();
            text->LoadStringWithin(contents, Tr("The song has changed since this game was played"),
                                   FAILED_RED, contents->GetDefaultFontSize(), width * 9 / 10);
            text->frameRect = text->sourceRect;
            SDL_Rect place{static_cast<Sint16>(width / 20),
                           static_cast<Sint16>(manager->GetHeight() / 2), 0, 0};
            text->SetRelativePosition(place);
            notice = text;
        }
        return;
    }
    if (selectSound)
        Mix_PlayChannelTimed(-1, selectSound, 0, -1);
    GameSceneParameter *again = retry.release();
    again->replay = replay;
    manager->DeleteScene(this);
    manager->AddScene(new GameScene(manager), again);
    closing = true;
}
