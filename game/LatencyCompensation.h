// LatencyCompensation: where the song stands for sending, for judging and for drawing.
#pragma once

#include <SDL.h>

class ConfigReader;
class PracticeClock;

// Two delays move the play scene's positions away from the song position of its clock. The
// output device sounds every event its latency after it is sent, so events are sent that much
// early (while the song runs; held, nothing is sent beyond the position). The player's own
// "offset" (from the timing screen: how late their presses land when they are on the beat) moves
// the judgement, and the balls with it, never the sending. Both are in the player's ms and scale
// with the practice tempo into song time.
class LatencyCompensation
{
public:
    static constexpr int MAX_OFFSET = 300; ///< ms; a larger config "offset" is taken as this

    explicit LatencyCompensation(const PracticeClock &clock) : clock(clock) {}

    // The device's latency (ms) and the player's offset from config ("offset", clamped to
    // -MAX_OFFSET..MAX_OFFSET).
    void Init(ConfigReader &config, int outputLatency);
    // The same from values (ms); the offset is clamped as config's is.
    void Set(int outputLatency, int userOffset);

    // ms every event is sent before its time: the output device's latency.
    int GetOutputLatency() const { return outputLatency; }
    // ms the player's presses are taken to lag the notes.
    int GetUserOffset() const { return userOffset; }

    // Song position (ms since the start of the song, rounded up) at clock 'now'; negative in
    // the lead-in.
    int SongPosition(Uint32 now) const;
    // Song position the presses are judged at (and the balls drawn for): the offset taken off.
    int JudgedPosition(Uint32 now) const;
    // Song position up to which events are sent: the latency ahead while the song runs.
    int SendPosition(Uint32 now) const;
    // The send position of a running song, also while it is held: where a hold goes on from.
    int RunningSendPosition(Uint32 now) const;
    // Player's ms from song time 'time' to the moment a press at 'now' counts for, offset
    // applied: positive when late.
    double JudgedMsSince(int time, Uint32 now) const;
    // Song ms a span of the player's ms covers at the practice tempo.
    int ToSongMs(int playerMs) const;

private:
    const PracticeClock &clock;
    int outputLatency = 0; ///< ms
    int userOffset = 0;    ///< ms
};
