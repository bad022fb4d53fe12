// Tests of the result screen: score and rate arithmetic, the records written to the cells,
// the rising meters and their labels, closing with ok or cancel.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "framework/SceneManager.h"
#include "game/GameSceneParameter.h"
#include "game/ScoreScene.h"
#include "game/ScoreSceneParameter.h"
#include "game/ScreenPixels.h"
#include "game/TimingSummary.h"
#include "support/HeadlessGame.h"
#include "support/MenuEvent.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationImage.h"
#include "widgets/AnimationMeter.h"
#include "widgets/RateImage.h"

namespace {
struct Counts
{
    int bad, ok, good, excellent, maxCombo;
    std::vector<int> errors = {}; ///< timing errors of the hits (ms)
};

// A result screen shown for the counts, with the two cells holding the given values.
class ResultHarness
{
public:
    HeadlessGame game;
    int highScore;
    int highRate;
    Uint32 now = 0;

    ResultHarness(const Counts &counts, int storedScore, int storedRate, bool withCells = true,
                  int width = 800, int height = 600)
        : game(width, height), highScore(storedScore), highRate(storedRate)
    {
        ScoreSceneParameter *param = new ScoreSceneParameter();
        param->highScore = withCells ? &highScore : nullptr;
        param->highRate = withCells ? &highRate : nullptr;
        param->bad = counts.bad;
        param->ok = counts.ok;
        param->good = counts.good;
        param->excellent = counts.excellent;
        param->maxCombo = counts.maxCombo;
        param->errors = counts.errors;
        game.Manager().AddScene(new ScoreScene(&game.Manager()), param);
        game.Iterate(0);
    }

    ScoreScene *Scene()
    {
        for (SceneObject *scene : game.Manager().GetScenes()) {
            if (ScoreScene *result = dynamic_cast<ScoreScene *>(scene))
                return result;
        }
        return nullptr;
    }

    void PushMenuEvent(int code)
    {
        SDL_Event event = MenuEvent(code);
        SDL_PushEvent(&event);
    }
};
} // namespace

TEST(ScoreSceneArithmetic, ScoreAndRateFromPercentages)
{
    EXPECT_EQ(ScoreScene::ComputeScore(0, 10, 90, 100), 920000);
    EXPECT_EQ(ScoreScene::ComputeScore(0, 0, 100, 100), 1000000);
    EXPECT_EQ(ScoreScene::ComputeScore(50, 0, 0, 0), 0);
    EXPECT_EQ(ScoreScene::ComputeRate(0, 10, 90), 10);
    EXPECT_EQ(ScoreScene::ComputeRate(50, 0, 0), 1);
    // Edges of the letter table by weighted sum 3 EXC% + 2 GOOD% + OK%.
    const std::pair<int, int> edges[] = {
        {0, 0},   {27, 0},  {28, 1},  {54, 1},  {55, 2},   {81, 2},  {82, 3},  {109, 3},
        {110, 4}, {136, 4}, {137, 5}, {163, 5}, {164, 6},  {190, 6}, {191, 7}, {218, 7},
        {219, 8}, {245, 8}, {246, 9}, {272, 9}, {273, 10}, {300, 10}};
    for (const auto &edge : edges)
        EXPECT_EQ(ScoreScene::ComputeRate(edge.first, 0, 0), edge.second) << edge.first;
    EXPECT_EQ(ScoreScene::ComputeRate(0, 0, 100), 10); // 300 x 11 / 300 = 11, kept at 10
}

TEST(ScoreSceneRecords, OnlyABetterScoreOrRateIsStored)
{
    struct Case
    {
        const char *what;
        Counts counts;
        bool withCells;
        int storedScore, storedRate;
        int score, rate;
        bool newHighScore;
        int highScore, highRate; // the cells afterwards
    };
    const Case cases[] = {
        {"new score and rate", {0, 0, 10, 90, 100}, true, 0, -1, 920000, 10, true, 920000, 10},
        {"equal score", {0, 0, 10, 90, 100}, true, 920000, 10, 920000, 10, false, 920000, 10},
        // 60 EXCELLENT and 40 GOOD, but the combo broke at 30: rate 9 ("SS"), score
        // (20 x 40 + 100 x 60) x 30 = 204,000; only the better rate is stored.
        {"better rate", {0, 0, 40, 60, 30}, true, 500000, 5, 204000, 9, false, 500000, 9},
        {"half OK, half BAD", {50, 50, 0, 0, 0}, true, 0, -1, 0, 1, false, 0, 1}, // "F"
        // A game without notes: "G" (rate 0) replaces "none".
        {"no notes", {0, 0, 0, 0, 0}, true, 0, -1, 0, 0, false, 0, 0},
        {"no notes, negative score", {0, 0, 0, 0, 0}, true, -5, 3, 0, 0, true, 0, 3},
        // Without cells (a game started outside the song selection) nothing is written:
        // (10 x 20 + 20 x 30 + 100 x 40) x 50 = 240,000.
        {"no cells", {1, 2, 3, 4, 5}, false, 0, -1, 240000, 7, false, 0, -1},
    };
    for (const Case &c : cases) {
        ResultHarness result(c.counts, c.storedScore, c.storedRate, c.withCells);
        ScoreScene *scene = result.Scene();
        ASSERT_NE(scene, nullptr) << c.what;
        // Each count and the longest combo as a percentage of the notes.
        const Counts &n = c.counts;
        const int notes = n.bad + n.ok + n.good + n.excellent;
        const int counts[ScoreScene::METERS] = {n.bad, n.ok, n.good, n.excellent, n.maxCombo};
        for (int i = 0; i < ScoreScene::METERS; i++)
            EXPECT_EQ(scene->GetPercent(i), notes ? counts[i] * 100 / notes : 0) << c.what << i;
        EXPECT_EQ(scene->GetScore(), c.score) << c.what;
        EXPECT_EQ(scene->GetRate(), c.rate) << c.what;
        EXPECT_EQ(scene->IsNewHighScore(), c.newHighScore) << c.what;
        EXPECT_EQ(result.highScore, c.highScore) << c.what;
        EXPECT_EQ(result.highRate, c.highRate) << c.what;
    }
}

TEST(ScoreSceneDisplay, MetersRiseInHalfASecondWithTheirLabelsUnderThem)
{
    ResultHarness result({10, 20, 30, 40, 25}, 0, -1);
    ScoreScene *scene = result.Scene();
    const int expected[ScoreScene::METERS] = {10, 20, 30, 40, 25};
    for (Uint32 t = 1; t <= 250; t++)
        result.game.Iterate(t);
    for (int i = 0; i < ScoreScene::METERS; i++)
        EXPECT_NEAR(scene->GetMeter(i)->GetValue(), expected[i] / 2.0, 0.5) << i;
    for (Uint32 t = 251; t <= 520; t++)
        result.game.Iterate(t);
    for (int i = 0; i < ScoreScene::METERS; i++)
        EXPECT_DOUBLE_EQ(scene->GetMeter(i)->GetValue(), expected[i]) << i;

    // Each label follows its meter in the tree and stands directly under the meter's image;
    // the meters stand side by side in one row from W/5, under the score, without overlapping.
    const int width = result.game.Manager().GetWidth();
    int right = width / 5;
    for (int i = 0; i < ScoreScene::METERS; i++) {
        AnimationMeter *meter = scene->GetMeter(i);
        EXPECT_EQ(meter->position.y, scene->GetMeter(0)->position.y);
        EXPECT_GT(meter->position.y, scene->GetScorePosition().y + 40);
        EXPECT_GE(meter->position.x, right);
        auto it = std::find(scene->children.begin(), scene->children.end(), meter);
        ASSERT_NE(it, scene->children.end());
        AnimationImage *label = dynamic_cast<AnimationImage *>(*std::next(it));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->position.x, meter->position.x);
        EXPECT_EQ(label->position.y, meter->position.y + meter->sourceRect.h);
        // Under the label: the count and percentage; no column runs into the next one.
        AnimationImage *number = dynamic_cast<AnimationImage *>(*std::next(it, 2));
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->position.x, meter->position.x);
        EXPECT_EQ(number->position.y, label->position.y + label->frameRect.h);
        right = meter->position.x +
                std::max<int>({meter->frameRect.w, label->frameRect.w, number->frameRect.w});
    }
    EXPECT_GT(scene->GetScorePosition().x, width / 2);
    EXPECT_EQ(scene->GetScorePosition().y, 0);
}

TEST(ScoreSceneDisplay, MeterSizesCaptionRateAndTheScoreColour)
{
    // Brightest pixel of the score digits: light yellow for a new high score, else white.
    auto scoreColour = [](ResultHarness &result) {
        SDL_Surface *screen = result.game.Manager().GetScreen();
        result.game.Manager().Draw(screen);
        const SDL_Rect &at = result.Scene()->GetScorePosition();
        auto brightness = [](Uint32 c) { return (c >> 16) + ((c >> 8) & 0xFF) + (c & 0xFF); };
        Uint32 best = 0;
        for (int y = at.y; y < at.y + 60 && y < screen->h; y++) {
            for (int x = at.x; x < at.x + 200 && x < screen->w; x++) {
                if (brightness(PixelAt(screen, x, y)) > brightness(best))
                    best = PixelAt(screen, x, y);
            }
        }
        return best;
    };
    {
        ResultHarness result({0, 0, 10, 90, 100}, 0, -1, true, 640, 480);
        ScoreScene *scene = result.Scene();
        // The 100 x 100 meter pictures scaled by W / 8 = 80 % across and at most H / 2 = 240 %
        // down (less where the texts under and over them need the room).
        for (int i = 0; i < ScoreScene::METERS; i++) {
            EXPECT_NEAR(scene->GetMeter(i)->sourceRect.w, 80, 1) << i;
            EXPECT_LE(scene->GetMeter(i)->sourceRect.h, 241) << i;
            EXPECT_GE(scene->GetMeter(i)->sourceRect.h, 120) << i;
        }
        // The rate at (W / 4, 0); "Score:" with the number right after it.
        RateImage *rate = nullptr;
        AnimationImage *caption = nullptr;
        for (SceneObject *child : scene->children) {
            if (RateImage *found = dynamic_cast<RateImage *>(child))
                rate = found;
            else if (child->position.y == 0 && child->position.x >= 160 && child->position.x <= 320)
                caption = dynamic_cast<AnimationImage *>(child);
        }
        ASSERT_NE(rate, nullptr);
        EXPECT_EQ(rate->position.y, 0);
        ASSERT_NE(caption, nullptr);
        EXPECT_TRUE(rate->position.x == 160 ||
                    rate->position.x + rate->GetWidth() + 640 / 60 == caption->position.x);
        EXPECT_GT(caption->frameRect.w, 0);
        // "Score:" from W / 2, moved left only as far as the number needs to fit.
        EXPECT_EQ(scene->GetScorePosition().x, caption->position.x + caption->frameRect.w);
        EXPECT_TRUE(caption->position.x == 320 || scene->GetScoreRight() == 640 - 6)
            << caption->position.x << " " << scene->GetScoreRight();
        EXPECT_EQ(scoreColour(result), 0xFFFF80u);
    }
    {
        ResultHarness result({0, 0, 10, 90, 100}, 920000, -1, true, 640, 480);
        EXPECT_EQ(scoreColour(result), 0xFFFFFFu);
    }
}

TEST(ScoreSceneClosing, OkOrCancelCloseTheScreenOnce)
{
    for (int code : {4, 5}) {
        ResultHarness result({0, 0, 0, 10, 10}, 0, -1);
        result.PushMenuEvent(0); // left: ignored
        result.game.Iterate(1);
        result.game.Iterate(2);
        ASSERT_NE(result.Scene(), nullptr);
        EXPECT_FALSE(result.Scene()->IsClosing());
        EXPECT_EQ(Mix_Playing(-1), 0);
        // Ok and cancel in the same poll: the screen closes once, with one select sound.
        result.PushMenuEvent(code);
        result.PushMenuEvent(9 - code);
        result.game.Iterate(3);
        ASSERT_NE(result.Scene(), nullptr);
        EXPECT_TRUE(result.Scene()->IsClosing());
        EXPECT_EQ(Mix_Playing(-1), 1);
        result.game.Iterate(4);
        EXPECT_EQ(result.Scene(), nullptr);
        EXPECT_EQ(result.highScore, 1000000);
    }
}

TEST(ScoreSceneTiming, SummaryOfTheHitsAndThePreviousBest)
{
    // Mean, spread (standard deviation), early and late, and the 10 ms bins from -150 ms;
    // errors beyond the range count in the end bins.
    const TimingSummary summary({-30, -10, 0, 10, 30, 400, -151});
    EXPECT_EQ(summary.GetCount(), 7);
    EXPECT_NEAR(summary.GetMean(), 249.0 / 7, 1e-9);
    EXPECT_EQ(summary.GetEarly(), 3);
    EXPECT_EQ(summary.GetLate(), 3);
    const TimingSummary pair({-20, 20});
    EXPECT_DOUBLE_EQ(pair.GetSpread(), 20.0);
    EXPECT_DOUBLE_EQ(TimingSummary({7}).GetSpread(), 0.0);
    EXPECT_EQ(TimingSummary::BinOf(-150), 0);
    EXPECT_EQ(TimingSummary::BinOf(-141), 0);
    EXPECT_EQ(TimingSummary::BinOf(-140), 1);
    EXPECT_EQ(TimingSummary::BinOf(-1), 14);
    EXPECT_EQ(TimingSummary::BinOf(0), 15);
    EXPECT_EQ(TimingSummary::BinOf(149), 29);
    std::vector<int> bins(TimingSummary::BINS, 0);
    bins[0] = 1;  // -151
    bins[12] = 1; // -30
    bins[14] = 1; // -10
    bins[15] = 1; // 0
    bins[16] = 1; // 10
    bins[18] = 1; // 30
    bins[29] = 1; // 400
    EXPECT_EQ(summary.GetBins(), bins);

    // The screen keeps the histogram and the score that stood before this game.
    ResultHarness result({0, 0, 0, 7, 7, {-30, -10, 0, 10, 30, 400, -151}}, 5000, 2);
    ScoreScene *scene = result.Scene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->GetPreviousBest(), 5000);
    EXPECT_EQ(result.highScore, 1000000);
    EXPECT_EQ(scene->GetHistogram(), bins);
    // The histogram is drawn: its tallest bars light the area, under the other texts.
    SDL_Surface *screen = result.game.Manager().GetScreen();
    SDL_FillRect(screen, nullptr, 0);
    result.game.Manager().Draw(screen);
    const SDL_Rect area = scene->GetHistogramRect();
    EXPECT_GT(area.h, 0);
    EXPECT_GT(LitIn(screen, area.x, area.y, area.w, area.h), 7 * area.h);
}

// A perfect score fits on the smallest screen: all seven digits inside it, to the right of the
// rate, with "Score:" in front of them.
TEST(ScoreSceneDisplay, APerfectScoreFitsOnTheSmallestScreen)
{
    for (const auto &size : {std::pair<int, int>{640, 480}, {800, 600}, {1024, 720}}) {
        ResultHarness result({0, 0, 0, 50, 50}, 0, -1, true, size.first, size.second);
        ScoreScene *scene = result.Scene();
        ASSERT_EQ(scene->GetScore(), 1000000);
        SDL_Surface *screen = result.game.Manager().GetScreen();
        SDL_FillRect(screen, nullptr, 0);
        result.game.Manager().Draw(screen);
        const SDL_Rect &at = scene->GetScorePosition();
        EXPECT_LE(scene->GetScoreRight(), size.first - 2) << size.first;
        // The rate stays left of "Score:".
        for (SceneObject *child : scene->children) {
            if (RateImage *rate = dynamic_cast<RateImage *>(child)) {
                EXPECT_LT(rate->position.x + rate->GetWidth(), scene->GetScorePosition().x - 20)
                    << size.first;
            }
        }
        // Nothing lit in the last two columns of the score's rows: no digit runs off the edge.
        int rightmost = -1;
        for (int y = at.y; y < at.y + 40 && y < screen->h; y++)
            for (int x = at.x; x < screen->w; x++)
                if ((PixelAt(screen, x, y) & 0xFFFFFF) != 0)
                    rightmost = std::max(rightmost, x);
        EXPECT_GT(rightmost, at.x) << size.first;
        EXPECT_LT(rightmost, size.first - 2) << size.first;
        if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
            result.game.SaveScreenshot(std::string(folder) + "/result-perfect-" +
                                       std::to_string(size.first) + ".png");
    }
}

TEST(ScoreSceneTiming, TheTimingLineRoundsToTheNearestMillisecondAndSaysEarlyBeforeLate)
{
    // Mean -0.75 ms (shown -1, not the -0 of a cut-off fraction), spread 3.34 ms, three early
    // hits and one late one; the misses have no error and are not counted.
    ResultHarness mostlyEarly({2, 0, 0, 4, 4, {-3, -2, -3, 5}}, 0, -1);
    ASSERT_NE(mostlyEarly.Scene(), nullptr);
    EXPECT_EQ(mostlyEarly.Scene()->GetTimingLine(),
              "Timing: mean -1 ms, spread 3 ms, early 3, late 1");
    // Late on the whole: the sign is shown; the spread rounds up from 2.5.
    ResultHarness late({0, 0, 2, 0, 2, {5, 10}}, 0, -1);
    EXPECT_EQ(late.Scene()->GetTimingLine(), "Timing: mean +8 ms, spread 3 ms, early 0, late 2");
    ResultHarness none({3, 0, 0, 0, 0, {}}, 0, -1);
    EXPECT_EQ(none.Scene()->GetTimingLine(), "Timing: no hits");
}

// No text of the result screen crosses another text, a meter, the histogram or the screen's
// edge, at every window size in both languages: a demo (the mark of a game not recorded), a
// practice game with a record standing, and a new record with the retry key in the help line.
TEST(ScoreSceneDisplay, NoTextCrossesAnotherTheBarsOrTheHistogramAtAnySizeInEitherLanguage)
{
    struct Case
    {
        const char *name;
        bool demo, practice, retry;
        int stored;
    };
    const Case cases[] = {{"demo", true, false, false, 0},
                          {"practice", false, true, false, 987654},
                          {"new record", false, false, true, 12345}};
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : std::vector<std::pair<int, int>>{
                 {640, 480}, {1024, 720}, {1280, 720}, {1920, 1080}}) {
            for (const Case &c : cases) {
                const std::string where = std::string(language) + " " +
                                          std::to_string(size.first) + "x" +
                                          std::to_string(size.second) + " " + c.name;
                HeadlessGame game(size.first, size.second);
                ASSERT_TRUE(game.Ready());
                int highScore = c.stored;
                int highRate = 0;
                ScoreSceneParameter *param = new ScoreSceneParameter();
                param->highScore = &highScore;
                param->highRate = &highRate;
                param->bad = 1234;
                param->ok = 2345;
                param->good = 3456;
                param->excellent = c.demo ? 99999 : 4567;
                param->maxCombo = 4567;
                param->errors = {-140, -60, -12, -3, 0, 4, 9, 33, 77, 149};
                param->demo = c.demo;
                param->practice = c.practice;
                if (c.retry)
                    param->retry = std::make_unique<GameSceneParameter>();
                ScoreScene *scene = new ScoreScene(&game.Manager());
                game.Manager().AddScene(scene, param);
                for (Uint32 t = 0; t <= 600; t += 10)
                    game.Iterate(t);
                const ScreenLayout layout = ScreenLayout::Draw(game.Manager());
                ASSERT_GE(layout.texts.size(), 15u) << where;
                for (const std::string &fault : layout.Faults())
                    ADD_FAILURE() << where << ": " << fault;
                std::vector<SDL_Rect> shapes = {scene->GetHistogramRect()};
                for (int i = 0; i < ScoreScene::METERS; i++) {
                    AnimationMeter *meter = scene->GetMeter(i);
                    shapes.push_back(SDL_Rect{meter->position.x, meter->position.y,
                                              meter->sourceRect.w, meter->sourceRect.h});
                }
                for (const ScreenLayout::Text &text : layout.texts)
                    for (const SDL_Rect &shape : shapes)
                        EXPECT_FALSE(Cross(text.at, shape))
                            << where << ": '" << text.words << "' at " << Describe(text.at)
                            << " crosses the bar or histogram at " << Describe(shape);
                if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
                    game.SaveScreenshot(std::string(folder) + "/result-" + where + ".png");
            }
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}
