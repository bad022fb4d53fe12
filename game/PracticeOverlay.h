// PracticeOverlay: what the play scene shows of practice: the pause menu, the count-in before
// play resumes, and the tempo, loop and wait-mode status lines.
#pragma once

#include <string>
#include <vector>

#include "content/ImageSet.h"
#include "framework/SceneObject.h"

// A child of the play scene, drawn over the lanes and balls. It holds no game state of its own
// besides the pause menu's chosen entry; the scene tells it what to show.
class PracticeOverlay : public SceneObject
{
public:
    // The pause menu's entries, top to bottom.
    enum Choice
    {
        RESUME = 0,
        RETRY = 1,
        LEAVE = 2,
        CHOICES = 3
    };

    PracticeOverlay(SceneManager *manager, SceneObject *parent);
    ~PracticeOverlay() override;

    // Shows the pause menu with "Resume" chosen.
    void ShowPause();
    // Shows the count-in with 'msLeft' ms before play resumes.
    void ShowCountIn(int msLeft);
    // Back to play: only the status lines are shown.
    void HidePause();
    bool IsPauseShown() const { return pauseShown; }
    // Moves the chosen entry up (-1) or down (+1), wrapping around.
    void Move(int step);
    int GetChoice() const { return choice; }
    // The settings the pause menu shows.
    void SetSettings(int tempoPercent, bool waitMode);
    // The song's own offset and the one played with (ms), as the pause menu shows them.
    void SetOffsets(int songOffset, int totalOffset);
    // Lines shown at the bottom right while playing, top to bottom (empty: none).
    void SetStatus(const std::vector<std::string> &lines);
    const std::vector<std::string> &GetStatus() const { return status; }
    // Pixels the status lines take at the bottom edge (0 without any).
    int GetStatusHeight();

    void Draw(SDL_Surface *screen) override;
    // The content cache dropped its pictures: render the texts again.
    void Reload() override;

private:
    // A rendered text, rendered again only when it changes.
    struct Text
    {
        std::string text;
        unsigned int color = 0;
        int size = 0;
        int maxWidth = 0; ///< pixels the text was fitted into
        ImageSet image;
    };
    void Render(Text &text, const std::string &value, unsigned int color, int size);
    void DrawCentred(SDL_Surface *screen, Text &text, int y);
    // The rendered pause menu from 'y' down, 'gap' pixels between its groups.
    void DrawMenu(SDL_Surface *screen, int y, int gap);
    void Dim(SDL_Surface *screen);

    bool pauseShown = false;
    int countIn = -1; ///< ms left before play resumes; -1: no count-in
    int choice = RESUME;
    int tempo = 100;
    bool wait = false;
    int songOffset = 0;  ///< ms
    int totalOffset = 0; ///< ms
    std::vector<std::string> status;
    Text title;
    Text entries[CHOICES];
    Text settings[3];
    Text help;
    Text count;
    std::vector<Text> statusTexts;
    SDL_Surface *shade = nullptr; ///< half-transparent black over the whole screen, owned
};
