// ScrollMap: how far below its target a ball stands, from the time left to its note.
#pragma once

// Two ways to space the balls. Following the tempo (the default): a note a given number of
// song ms ahead stands lower at a slow tempo, so the balls keep the spacing of beats and speed
// up and slow down with the song (and with the practice tempo). Constant: the balls move the
// same pixels per second of the player's time whatever the song's tempo and the practice tempo,
// so the spacing shows time. In both, "speed" 100 moves one screen height per second at
// 120 bpm, and a ball stands on its target (y 0) exactly when its note is due.
class ScrollMap
{
public:
    enum Mode
    {
        FOLLOW_TEMPO = 0, ///< "scrollmode" 0
        CONSTANT = 1,     ///< "scrollmode" 1
    };

    // speed: percent; height: the screen's, px.
    void Set(int speed, int height, Mode mode);
    Mode GetMode() const { return mode; }

    // y (px below the targets, negative above) of a note at song time 'noteTime' (ms) when the
    // song stands at 'shown' (ms), at scroll tempo 'scrollTempo' (us per quarter note) and
    // practice tempo 'practiceTempo' (percent of the song's). Clamped to int.
    int Y(int noteTime, int shown, int scrollTempo, int practiceTempo) const;

    // Following the tempo: speed% x height x (a - b) x 500000 / 100 / tempo / 1000, truncated
    // and clamped to int; a tempo below 1 us counts as 1.
    static int FollowingY(int speed, int height, int a, int b, int tempo);

private:
    int speed = 100;  ///< percent
    int height = 480; ///< px
    Mode mode = FOLLOW_TEMPO;
};
