// ScreenLayout: what one drawing of the screen put where, and the texts that cross or run out.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

class SceneManager;

// One drawing of every scene, sorted into texts (with their words), framed boxes and pictures.
struct ScreenLayout
{
    struct Text
    {
        std::string words;
        SDL_Rect at;
    };
    struct Picture
    {
        const SDL_Surface *surface; ///< the content cache's picture
        SDL_Rect at;
    };
    std::vector<Text> texts;
    std::vector<SDL_Rect> frames;
    std::vector<Picture> pictures;
    int width = 0;
    int height = 0;

    // Draws the manager's scenes once onto its screen and records the blits.
    static ScreenLayout Draw(SceneManager &manager);
    // One line for each fault: a text that crosses another text, runs past an edge of the
    // screen, or crosses the edge of a frame (a text is either wholly inside a frame or clear
    // of it). Empty when the screen is clean. Digits of one number touch but do not cross.
    std::vector<std::string> Faults() const;
    // Leaves out the texts centred on a picture: labels that move with their picture (the key
    // names on the balls), which cross whatever the picture passes.
    void DropLabelsOfPictures();
    // The texts whose words contain 'part'.
    std::vector<Text> Find(const std::string &part) const;
};

// Whether the two rectangles share at least one pixel.
bool Cross(const SDL_Rect &a, const SDL_Rect &b);
// Whether 'inner' lies wholly inside 'outer'.
bool Inside(const SDL_Rect &inner, const SDL_Rect &outer);
// "x,y wxh" for messages.
std::string Describe(const SDL_Rect &rect);
