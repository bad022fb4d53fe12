// JudgementDisplay: the latest judgement as one readable text, and a flash under the hit lane.
#pragma once

#include <vector>

#include "content/ImageSet.h"
#include "framework/SceneObject.h"

class ContentsManager;

// One text at a time, for the latest hit or miss, centred over the lanes, so texts never pile
// up on each other or on the targets; the lane of that judgement gets a short bar of the
// judgement's colour under its target, which tells the lanes apart also with twelve keys.
class JudgementDisplay : public SceneObject
{
public:
    static constexpr int SHOW = 600;  ///< ms the text stays
    static constexpr int FLASH = 250; ///< ms the lane's bar stays

    JudgementDisplay(SceneManager *manager, SceneObject *parent);

    // Colour (0xRRGGBB) of a judgement value, BAD .. EXCELLENT: red, amber, green, cyan; all
    // bright on the dark targets and background.
    static Uint32 ColorOf(int value);

    // Renders the four texts at the given font size (pixels).
    void Load(ContentsManager *contents, int fontSize);
    // Geometry (pixels): lane i's bar spans x = firstX + i * column .. + barWidth at y = barY;
    // the text is centred on (textX, textY).
    void SetLayout(int firstX, int column, int barWidth, int barY, int textX, int textY);
    // A judgement of 'value' on 'lane' at clock 'now'; replaces the text shown.
    void Show(int lane, int value, Uint32 now);

    // Value of the text on screen at the last Idle walk (-1: none).
    int GetShownValue() const;
    // Value whose bar shows under a lane (-1: none).
    int GetLaneFlash(int lane) const;
    const ImageSet &GetText(int value) const { return texts[value]; }

    void Draw(SDL_Surface *screen) override;

private:
    struct Flash
    {
        int value = -1;
        Uint32 at = 0;
    };

    ImageSet texts[4];
    int latest = -1;     ///< value of the latest judgement, -1 before the first
    Uint32 latestAt = 0; ///< its clock (ms)
    std::vector<Flash> lanes;
    int firstX = 0, column = 0, barWidth = 0, barY = 0, textX = 0, textY = 0;
};
