// SelectPanels: the song selection's fixed panels: rate, level meters and help lines.
#pragma once

class AnimationMeter;
class RateImage;
class SceneManager;
class SceneObject;
class SpriteImage;

// Built once per screen size as children of the song selection: the rate panel in the top left
// corner, the density, tempo and length meters side by side with their captions, and the help
// lines stacked up from the bottom left corner. The meters stand at half height unless the help
// lines need the room: then they move up, so that no caption runs into another or into the help.
struct SelectPanels
{
    RateImage *rate = nullptr;
    AnimationMeter *density = nullptr;
    AnimationMeter *tempo = nullptr;
    AnimationMeter *length = nullptr;
    SpriteImage *searchHelp = nullptr; ///< the help line 'searchHelp' names
    int metersRight = 0;               ///< pixels: right edge of the meters and their captions
    int metersTop = 0;                 ///< pixels: top of the highest meter

    // The panels for the manager's screen, with 'searchHelp' (untranslated) as the top line.
    static SelectPanels Build(SceneManager *manager, SceneObject *parent, const char *searchHelp);
};
