// ScoreScene: the result screen: five judgement meters, score, rate and the new records.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "content/NumWriter.h"
#include "framework/Scene.h"

class AnimationMeter;
class Replay;
class GameSceneParameter;
class ScoreSceneParameter;
struct Mix_Chunk;

// Shown after a song was played to its end. Init takes a ScoreSceneParameter (and deletes it),
// turns the counters into percentages of the notes, computes score and rate, and writes a
// better score or rate into the song card's cells. Ok or cancel close the screen.
class ScoreScene : public Scene
{
public:
    static const int METERS = 5;               ///< BAD, OK, GOOD, EXCELLENT, COMBO
    static const int RISE = 500;               ///< ms every meter takes to rise to its value
    static constexpr int MIN_NOTICE_SIZE = 14; ///< px: smaller letters are no longer read at once

    explicit ScoreScene(SceneManager *manager);
    ~ScoreScene() override = default;

    void Init(void *data) override;
    // The score number; the meters, labels, "Score:" and the rate are children.
    void Draw(SDL_Surface *screen) override;
    void Idle(unsigned int now) override;
    // Ok (user event 4) or cancel (5): the select sound, then the screen closes. R: the same
    // game again in its place, when the play scene handed one over.
    void Event(SDL_Event *event) override;

    // Rate 0 ("G") .. 10 ("SSS") from the percentages: (3 EXC% + 2 GOOD% + OK%) x 11 / 300.
    int GetRate() const;
    // Score from the percentages: (10 OK% + 20 GOOD% + 100 EXC%) x COMBO%, at most 1,000,000.
    static int ComputeScore(int okPercent, int goodPercent, int excellentPercent, int comboPercent);
    // Percent of the notes (BAD + OK + GOOD + EXCELLENT) of each count, BAD .. COMBO.
    static void ComputePercents(const int counts[METERS], int percents[METERS]);
    // Rate from the percentages, at most 10.
    static int ComputeRate(int okPercent, int goodPercent, int excellentPercent);
    // The weighted percents the rate is made of: 3 x EXCELLENT + 2 x GOOD + OK, 0..300.
    static int RatePoints(int okPercent, int goodPercent, int excellentPercent);

    int GetScore() const { return score; }
    // Percent of the notes, index 0..4 = BAD, OK, GOOD, EXCELLENT, COMBO.
    int GetPercent(int index) const { return percents[index]; }
    AnimationMeter *GetMeter(int index) { return meters[index]; }
    // True when this game's score beat the stored high score.
    bool IsNewHighScore() const { return newHighScore; }
    // True for a practice game: marked as such; it stores no records.
    bool IsPractice() const { return practice; }
    // True after a failed game or a demo: marked as such; they store no records either.
    bool IsFailed() const { return failed; }
    bool IsDemo() const { return demo; }
    // True after a recorded game shown again: marked as such; it stores nothing either.
    bool IsWatched() const { return watched; }
    // True when V shows this game again.
    bool CanWatch() const { return replay != nullptr && retry != nullptr; }
    // True when R plays the same game again.
    bool CanRetry() const { return retry != nullptr; }
    // The "NEW RECORD" label, shown when this game set a record (null otherwise).
    const SceneObject *GetRecordLabel() const { return recordLabel; }
    // True once ok or cancel closed the screen.
    bool IsClosing() const { return closing; }
    const SDL_Rect &GetScorePosition() const { return scorePosition; }
    // x (pixels) just right of the score's last digit.
    int GetScoreRight() const { return scoreRight; }
    // The high score before this game (-1: no cell).
    int GetPreviousBest() const { return previousBest; }
    // The line under the score that tells the previous best.
    const std::string &GetPreviousBestText() const { return previousBestText; }
    // Hits per 10 ms of timing error, -150 .. +150 ms, and where the histogram is drawn.
    const std::vector<int> &GetHistogram() const { return histogram; }
    const SDL_Rect &GetHistogramRect() const { return histogramRect; }
    // The timing line as shown under the meters.
    const std::string &GetTimingLine() const { return timingLine; }
    // Why the game could not be added to the song's history, as shown ("" when it was, or
    // when it is not kept).
    const std::string &GetHistoryProblem() const { return historyProblem; }
    // Every file the game could not be kept in, one notice each as shown: the history, the
    // last games' replays, the best replay (empty when all went well).
    const std::vector<std::string> &GetNotices() const { return notices; }
    // The smallest letters (px) a notice is set in, for the screen's small font size.
    static int MinimumNoticeSize(int smallFont);

private:
    // Shows this game again in place of the screen (the song selection stays below), or says
    // why it cannot.
    void Watch();
    void DrawHistogram(SDL_Surface *screen);
    // Adds the game to the song's history file, unless it is a demo or has no such file.
    void AddToHistory(const ScoreSceneParameter &result);
    // Places the rate, "Score:", the previous best and "NEW RECORD" along the top edge and
    // raises the stored rate; returns the bottom (pixels) of what it placed.
    int LayOutScore(ScoreSceneParameter *result, bool recorded, int bigFont, int smallFont,
                    int gap);
    // Places the meters with their labels and counts between 'top' and 'bottom' (pixels).
    void LayOutMeters(const int counts[METERS], int top, int bottom, int smallFont, int gap);

    AnimationMeter *meters[METERS] = {}; ///< children of the scene
    int percents[METERS] = {};           ///< percent of the notes
    SDL_Rect scorePosition{0, 0, 0, 0};  ///< where the score number is drawn
    NumWriter scoreWriter;               ///< score digits, light yellow for a new high score
    int score = 0;                       ///< 0 .. 1,000,000
    int scoreRight = 0;                  ///< x (pixels) right of the score's last digit
    Mix_Chunk *selectSound = nullptr;    ///< "select2", owned by the content cache
    bool newHighScore = false;
    int previousBest = -1;
    std::string previousBestText;
    std::vector<int> histogram;         ///< hits per bin of TimingSummary
    std::string timingLine;             ///< mean, spread, early and late, as shown
    std::string historyProblem;         ///< the history line that could not be written
    std::vector<std::string> notices;   ///< the files not written, as shown
    SDL_Rect histogramRect{0, 0, 0, 0}; ///< where it is drawn
    bool practice = false;
    bool failed = false;
    bool demo = false;
    bool watched = false;
    std::unique_ptr<GameSceneParameter> retry; ///< the same game again, for R
    std::shared_ptr<const Replay> replay;      ///< this game's replay, for V
    SceneObject *notice = nullptr;             ///< child: why V cannot show it
    SceneObject *recordLabel = nullptr;        ///< child: "NEW RECORD"
    bool closing = false; ///< DeleteScene was called once; later ok/cancel events are ignored
};
