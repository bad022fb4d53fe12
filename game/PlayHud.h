// PlayHud: the play scene's line of the song's title, the accuracy so far and the time left.
#pragma once

#include <string>

#include "content/ImageSet.h"
#include "framework/SceneObject.h"

class ContentsManager;

// One line along the bottom of the play scene, over the status lines: the title on the left
// (shortened with an ellipsis to the room the other two leave), the accuracy and the time left
// on the right. The play scene feeds it every frame with its counters and the song position.
class PlayHud : public SceneObject
{
public:
    PlayHud(SceneManager *manager, SceneObject *parent);

    // The title shown (empty: none). The texts take the default font size, which grows with
    // the window, as the status lines do.
    void Load(ContentsManager *contents, const std::string &title);
    // This frame's judgement counters, ms of the song left (song time, may be < 0 after the
    // end), the practice tempo (percent) and the y (px) the line's bottom edge stands on.
    void Show(int bad, int ok, int good, int excellent, int songMsLeft, int tempo, int bottom);
    // px the line takes (its highest text).
    int GetHeight() const;

    // The judged notes weighted as the result screen's rate weighs them: 3 x the EXCELLENT
    // percent + 2 x the GOOD percent + the OK percent (each a whole percent of the judged
    // notes, as the result screen counts them), 0..300; -1 before the first judgement.
    static int AccuracyPoints(int bad, int ok, int good, int excellent);
    // The accuracy as shown: whole percent (points / 3), "--" before the first judgement.
    static std::string AccuracyText(int points);
    // "m:ss" of the player's time left: song ms left scaled by 100 / tempo (percent), whole
    // seconds rounded up (0:00 only at the end), never negative.
    static std::string TimeLeftText(int songMsLeft, int tempo);

    const std::string &GetTitleShown() const { return titleShown; }
    const std::string &GetAccuracyShown() const { return accuracyShown; }
    const std::string &GetTimeShown() const { return timeShown; }

    void Draw(SDL_Surface *screen) override;

private:
    // Renders 'text' into 'image' when it changed.
    void Render(ImageSet &image, std::string &shown, const std::string &text, unsigned int color);

    ContentsManager *contents = nullptr;
    std::string title;  ///< the whole title
    int fontSize = 0;   ///< px
    int bottom = 0;     ///< px: y of the line's bottom edge
    int fittedFor = -1; ///< px of room the title was fitted to
    ImageSet titleImage, accuracyImage, timeImage;
    std::string titleShown, accuracyShown, timeShown;
};
