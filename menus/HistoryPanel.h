// HistoryPanel: the song selection's statistics of the chosen card: plays, best, last and a chart.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "content/ImageSet.h"
#include "framework/SceneObject.h"
#include "song/PlayHistory.h"

class NoticeText;

// Three lines ("Plays", "Best", "Last") and, right of them, the last PlayHistory::RECENT scores
// as a line chart (0 at the bottom, 1,000,000 at the top; practice games in yellow, failed ones
// in red). The panel stands at the bottom of the room it is given and keeps below the notice
// lines shown over that room: with too little height left it is not drawn at all, with too
// little width the chart is left out, so that it never runs into another text. The history file
// is read only when the card, its part or the number of keys changes, or when asked again.
class HistoryPanel : public SceneObject
{
public:
    HistoryPanel(SceneManager *manager, SceneObject *parent);

    // The room (screen pixels) and the notice lines the panel keeps below.
    void Place(const SDL_Rect &room, std::vector<NoticeText *> notices);
    // Shows the games of 'part' with 'keys' keys in the history file 'path' ("" shows none).
    // The file is read again only when one of them changed, or with 'reread'.
    void ShowFor(const std::string &path, int part, int keys, bool reread);

    void Draw(SDL_Surface *screen) override;
    // Renders the lines again after the content cache dropped its pictures.
    void Reload() override;

    const PlayHistory::Stats &GetStats() const { return stats; }
    // The lines as shown (English or Japanese).
    const std::vector<std::string> &GetLines() const { return lineTexts; }
    // Where the chart is drawn (w and h 0: no chart); valid after a Draw.
    const SDL_Rect &GetChartRect() const { return chart; }
    // False while a notice leaves no room for the panel; valid after a Draw.
    bool IsShown() const { return shown; }
    // How many times the history file was read (the panel reads lazily).
    int GetReads() const { return reads; }

private:
    // Renders the three lines from 'stats'.
    void Render();
    // Places the lines and the chart below 'top' (pixels).
    void LayOut(int top);
    void DrawChart(SDL_Surface *screen) const;

    SDL_Rect room{0, 0, 0, 0};
    std::vector<NoticeText *> notices; ///< siblings; owned by the scene
    std::string path;                  ///< history file shown; "" none
    int part = -1;
    int keys = -1;
    int reads = 0;
    PlayHistory::Stats stats;
    std::vector<std::string> lineTexts;
    std::vector<ImageSet> lines;  ///< rendered lines; surfaces belong to the content cache
    std::vector<SDL_Rect> places; ///< where each line is drawn
    SDL_Rect chart{0, 0, 0, 0};
    int laidTop = -1; ///< the top the layout was made for; -1: none yet
    bool shown = false;
};
